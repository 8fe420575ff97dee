// Boolean, date, date-time, bytes and blob fields.
#pragma once

#include "fields/Field.h"

namespace korvane {

class TBooleanField : public TField {
public:
    TBooleanField() : TField(ftBoolean) {}
    void GetText(std::u16string& text) override;
    std::u16string DisplayFalse = u"False";
    std::u16string DisplayTrue = u"True";
};

class TDateTimeField : public TField {
public:
    TDateTimeField() : TField(ftDateTime) {}
    void GetText(std::u16string& text) override;

protected:
    using TField::TField;
};

// A time of day: rendered in the regional long time format.
class TTimeField : public TDateTimeField {
public:
    TTimeField() : TDateTimeField(ftTime) {}
    void GetText(std::u16string& text) override;
};

class TDateField : public TDateTimeField {
public:
    TDateField() : TDateTimeField(ftDate) {}
    void GetText(std::u16string& text) override;
};

class TBinaryField : public TField {
    using TField::TField;
};

class TBytesField : public TBinaryField {
public:
    TBytesField() : TBinaryField(ftBytes) {}
    void GetText(std::u16string& text) override;
};

// FoxPro 9 varbinary: the bytes shown as 8-bit text in the system code page, as blobs are.
class TVarBytesField : public TBinaryField {
public:
    TVarBytesField() : TBinaryField(ftVarBytes) {}
    void GetText(std::u16string& text) override;
};

class TBlobField : public TField {
public:
    explicit TBlobField(TFieldType type = ftBlob) : TField(type) {}
    void GetText(std::u16string& text) override;
    // The content's bytes as the table delivers them, before any code page conversion.
    void GetBytes(std::string& bytes);
    bool Transliterate = false;
};

// Harbour's Unicode memo: its content is UTF-16 text.
class TWideMemoField : public TBlobField {
public:
    TWideMemoField() : TBlobField(ftWideMemo) {}
    void GetText(std::u16string& text) override;
};

// Harbour's Unicode character and varchar fields: UTF-16 text in the record.
class TWideStringField : public TField {
public:
    TWideStringField() : TField(ftWideString) {}
    void GetText(std::u16string& text) override;
};

class TMemoField : public TBlobField {
public:
    TMemoField() : TBlobField(ftMemo) { Transliterate = true; }
};

}  // namespace korvane
