// What the conversion run needs of a window: control visibility, texts, the gauge, a message box.
#pragma once

#include <string>

namespace korvane {

enum class Control { b_OpenDBF, l_DBF, l_XML, b_XML, b_Run, Gauge, l_Info };

class IConversionView {
public:
    virtual ~IConversionView() = default;
    virtual void SetVisible(Control control, bool visible) = 0;
    virtual void SetText(Control control, const std::string& text) = 0;  // UTF-8
    virtual void SetGaugeRange(int minValue, int maxValue) = 0;
    virtual void SetGaugeProgress(int progress) = 0;
    // The plain message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace korvane
