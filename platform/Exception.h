// The common error base and the general errors of the run-time services.
#pragma once

#include <stdexcept>
#include <string>

namespace korvane {

// Every failure of the system is an exception carrying a message text (UTF-8).
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// The silent abort: shown to nobody.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EConvertError : public Exception {
    using Exception::Exception;
};

// The platform's file stream could not open a file.
class EFOpenError : public Exception {
    using Exception::Exception;
};

// A failed operation of the text output file, raised by IOTest.
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode, int errnoValue = 0)
        : Exception(std::move(message)), ErrorCode(errorCode), ErrnoValue(errnoValue) {}
    int ErrorCode;
    int ErrnoValue;  // the system's error behind it, where there is one
};

// The message of the exception being handled (call it inside a catch block): a system
// exception's own text, "Out of memory" for an allocation that failed, the text of any other
// standard exception.
std::string CurrentExceptionMessage();

}  // namespace korvane
