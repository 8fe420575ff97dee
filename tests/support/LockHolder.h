// Another program that locks a file (Linux only: the Windows tests lock in the test itself,
// as a byte-range lock held through another handle is as foreign as another program's).
#pragma once

#include <string>

namespace korvane::test {

// Another program that holds a file with flock (LOCK_EX or LOCK_SH) while it lives.
class LockHolder {
public:
    LockHolder(const std::string& path, int operation);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool Holds() const { return FHolds; }

private:
    int FPid = -1;
    int FRelease = -1;
    bool FHolds = false;
};

}  // namespace korvane::test
