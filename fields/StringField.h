// Character fields.
#pragma once

#include "fields/Field.h"

namespace korvane {

class TStringField : public TField {
public:
    TStringField() : TField(ftString) {}
    void GetText(std::u16string& text) override;

    bool Transliterate = true;  // pass the bytes through the table's translation first
    bool FixedChar = false;
};

}  // namespace korvane
