// The field class for each field kind.
#pragma once

#include <memory>

#include "fields/Field.h"
#include "fields/FieldDef.h"

namespace korvane {

// Makes the field object for a dataset-level definition; "Invalid field size" for a
// bytes field of size 0.
std::unique_ptr<TField> CreateFieldForDef(const TFieldDef& def);

}  // namespace korvane
