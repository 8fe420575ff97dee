// Errors of the dataset framework.
#pragma once

#include "platform/Exception.h"

namespace korvane {

class EDatabaseError : public Exception {
    using Exception::Exception;
};

inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SInvalidFieldSize = "Invalid field size";
inline constexpr const char* SInvalidTimeStamp = "%s is not a valid timestamp";

}  // namespace korvane
