// The progress gauge: an aqua bar on white with its percentage as text.
#pragma once

#include <QWidget>

#include "app/GaugeValue.h"

namespace korvane::app {

class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    int MinValue() const { return FValue.MinValue(); }
    int MaxValue() const { return FValue.MaxValue(); }
    int Progress() const { return FValue.Progress(); }
    void SetRange(int minValue, int maxValue);
    // Clamped to the range; the gauge repaints at once when its whole percentage changes.
    void SetProgress(int progress);
    int PercentDone() const { return FValue.PercentDone(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GaugeValue FValue;
};

}  // namespace korvane::app
