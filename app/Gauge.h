// The progress gauge: an aqua bar on white with its percentage as text.
#pragma once

#include <QWidget>

namespace korvane::app {

class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    int Progress() const { return FProgress; }
    void SetRange(int minValue, int maxValue);
    // Clamped to the range; the gauge repaints at once when its whole percentage changes.
    void SetProgress(int progress);
    int PercentDone() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FMinValue = 0;
    int FMaxValue = 100;
    int FProgress = 0;
};

}  // namespace korvane::app
