// Dataset-level field definitions, from which the field objects are made.
#pragma once

#include <string>
#include <vector>

#include "fields/FieldType.h"

namespace korvane {

enum TFieldAttribute : unsigned { faReadonly = 1, faHiddenCol = 2 };

struct TFieldDef {
    std::u16string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int Precision = 0;
    bool Required = false;
    unsigned Attributes = 0;
};

using TFieldDefs = std::vector<TFieldDef>;

}  // namespace korvane
