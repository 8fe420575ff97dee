// Integer, floating, currency and BCD fields.
#pragma once

#include "fields/Field.h"

namespace korvane {

class TNumericField : public TField {
    using TField::TField;
};

class TIntegerField : public TNumericField {
public:
    TIntegerField() : TNumericField(ftInteger) {}
    void GetText(std::u16string& text) override;
    bool IsNull() override;

protected:
    using TNumericField::TNumericField;
};

class TSmallintField : public TIntegerField {
public:
    TSmallintField() : TIntegerField(ftSmallint) {}
    void GetText(std::u16string& text) override;
};

class TAutoIncField : public TIntegerField {
public:
    TAutoIncField() : TIntegerField(ftAutoInc) {}
};

class TLargeintField : public TNumericField {
public:
    TLargeintField() : TNumericField(ftLargeint) {}
    void GetText(std::u16string& text) override;
};

class TFloatField : public TNumericField {
public:
    TFloatField() : TNumericField(ftFloat) {}
    void GetText(std::u16string& text) override;

protected:
    using TNumericField::TNumericField;
};

class TCurrencyField : public TFloatField {
public:
    TCurrencyField() : TFloatField(ftCurrency) {}
    bool Currency = true;
};

class TBCDField : public TNumericField {
public:
    TBCDField() : TNumericField(ftBCD) {}
    void GetText(std::u16string& text) override;
    int Precision = 0;
};

}  // namespace korvane
