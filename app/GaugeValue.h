// The progress gauge's numbers: a range, a progress clamped to it and the whole percentage
// drawn as text.
#pragma once

#include <algorithm>

namespace korvane::app {

class GaugeValue {
public:
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    int Progress() const { return FProgress; }
    // Each answers whether the whole percentage changed (the gauge then redraws at once).
    bool SetRange(int minValue, int maxValue) {
        const int before = PercentDone();
        FMinValue = minValue;
        FMaxValue = std::max(minValue, maxValue);
        FProgress = std::clamp(FProgress, FMinValue, FMaxValue);
        return PercentDone() != before;
    }
    bool SetProgress(int progress) {
        const int before = PercentDone();
        FProgress = std::clamp(progress, FMinValue, FMaxValue);
        return PercentDone() != before;
    }
    int PercentDone() const {
        if (FMaxValue == FMinValue) return 0;
        return static_cast<int>(100LL * (FProgress - FMinValue) / (static_cast<long long>(FMaxValue) - FMinValue));
    }

private:
    int FMinValue = 0;
    int FMaxValue = 100;
    int FProgress = 0;
};

}  // namespace korvane::app
