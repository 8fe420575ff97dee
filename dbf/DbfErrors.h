// The table reader's error classes.
#pragma once

#include <string>

#include "fields/DatabaseError.h"
#include "platform/Exception.h"

namespace korvane::dbf {

class EDbfError : public EDatabaseError {
    using EDatabaseError::EDatabaseError;
};
class EDbfErrorInvalidIndex : public EDbfError {
    using EDbfError::EDbfError;
};
class EDbfWriteError : public EDbfError {
    using EDbfError::EDbfError;
};
class EDbfIndexError : public EDbfError {
    using EDbfError::EDbfError;
};
class EPagedFile : public Exception {
public:
    explicit EPagedFile(std::string message, std::string fileName = {})
        : Exception(std::move(message)), FileName(std::move(fileName)) {}
    std::string FileName;  // the file whose reading or writing failed, when known
};
class EParserException : public Exception {
    using Exception::Exception;
};

// Formats a message: each %s and %d takes the next argument, in order.
std::string FormatMessage(const char* pattern, std::initializer_list<std::string> args);

}  // namespace korvane::dbf
