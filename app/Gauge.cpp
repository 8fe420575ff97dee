#include "app/Gauge.h"

#include <QPainter>
#include <algorithm>

namespace korvane::app {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

int TGauge::PercentDone() const {
    if (FMaxValue == FMinValue) return 0;
    return static_cast<int>(100LL * (FProgress - FMinValue) / (static_cast<long long>(FMaxValue) - FMinValue));
}

void TGauge::SetRange(int minValue, int maxValue) {
    const int before = PercentDone();
    FMinValue = minValue;
    FMaxValue = std::max(minValue, maxValue);
    FProgress = std::clamp(FProgress, FMinValue, FMaxValue);
    if (PercentDone() != before) repaint();
}

void TGauge::SetProgress(int progress) {
    const int before = PercentDone();
    FProgress = std::clamp(progress, FMinValue, FMaxValue);
    // The run keeps the event loop waiting, so the gauge draws itself right away.
    if (PercentDone() != before) repaint();
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), Qt::white);
    const int percent = PercentDone();
    const int filled = (width() - 2) * percent / 100;
    p.fillRect(QRect(1, 1, filled, height() - 2), QColor(0, 255, 255));
    p.setPen(Qt::black);
    p.drawRect(frame);
    p.drawText(rect(), Qt::AlignCenter, QString::number(percent) + QStringLiteral("%"));
}

}  // namespace korvane::app
