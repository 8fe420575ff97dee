#include "fields/Field.h"

#include "fields/DataSet.h"

namespace korvane {

bool TField::GetData(void* buffer, bool nativeFormat) {
    return DataSet != nullptr && DataSet->GetFieldData(*this, buffer, nativeFormat);
}

bool TField::IsNull() {
    return !GetData(nullptr);
}

}  // namespace korvane
