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
    // The physical number of the record whose row is about to be written (deleted records
    // counted); a window has no use for it.
    virtual void SetRecordNumber(int /*recordNumber*/) {}
    // The plain message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace korvane
