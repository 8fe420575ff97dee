// An iconv conversion descriptor owned by an object: closed however its user ends.
#pragma once

#include <iconv.h>

namespace korvane::platform {

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : FHandle(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (IsOpen()) iconv_close(FHandle);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool IsOpen() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return FHandle; }

private:
    iconv_t FHandle;
};

}  // namespace korvane::platform
