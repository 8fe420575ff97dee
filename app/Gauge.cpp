#include "app/Gauge.h"

#include <QPainter>

namespace korvane::app {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

void TGauge::SetRange(int minValue, int maxValue) {
    if (FValue.SetRange(minValue, maxValue)) repaint();
}

void TGauge::SetProgress(int progress) {
    // The run keeps the event loop waiting, so the gauge draws itself right away.
    if (FValue.SetProgress(progress)) repaint();
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
