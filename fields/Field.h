// The field object base: one per table field, rendering the current record's value as text.
#pragma once

#include <string>

#include "fields/FieldType.h"

namespace korvane {

class TDataSet;

class TField {
public:
    explicit TField(TFieldType dataType) : DataType(dataType) {}
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;
    virtual ~TField() = default;

    // The current record's value as text; empty when the field holds no value.
    std::u16string AsString() {
        std::u16string text;
        GetText(text);
        return text;
    }
    // Replaces `text` with the value's text, reusing its storage.
    virtual void GetText(std::u16string& text) = 0;
    virtual bool IsNull();
    // Asks the dataset for the value; false means null.
    bool GetData(void* buffer, bool nativeFormat = true);

    std::u16string FieldName;
    TFieldType DataType;
    int Size = 0;
    int FieldNo = 0;
    TDataSet* DataSet = nullptr;
};

}  // namespace korvane
