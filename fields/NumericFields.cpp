#include "fields/NumericFields.h"

#include <cstdint>
#include <cstring>

#include "fields/DataSet.h"
#include "fields/NumberFormat.h"

namespace korvane {

void TIntegerField::GetText(std::u16string& text) {
    text.clear();
    std::int32_t value = 0;
    if (GetData(&value)) AppendDecimal(text, value);
}

bool TIntegerField::IsNull() {
    std::int32_t value = 0;
    return !GetData(&value);
}

void TSmallintField::GetText(std::u16string& text) {
    text.clear();
    std::int32_t value = 0;  // a 4-byte buffer, of which the value fills the first two bytes
    std::int16_t small = 0;
    if (GetData(&value)) {
        std::memcpy(&small, &value, sizeof small);
        AppendDecimal(text, small);
    }
}

void TLargeintField::GetText(std::u16string& text) {
    text.clear();
    std::int64_t value = 0;
    if (GetData(&value)) AppendDecimal(text, value);
}

void TFloatField::GetText(std::u16string& text) {
    text.clear();
    double value = 0;
    if (GetData(&value)) AppendGeneralFloat(text, value, 15, DataSet->Settings.decimalSeparator);
}

void TBCDField::GetText(std::u16string& text) {
    text.clear();
    std::int64_t value = 0;
    if (GetData(&value, false)) AppendCurrency(text, value, DataSet->Settings.decimalSeparator);
}

}  // namespace korvane
