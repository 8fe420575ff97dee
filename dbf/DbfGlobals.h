// Process-wide reader settings: default code page and driver, installed code pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::dbf {

class TDbfGlobals {
public:
    // Reads the platform settings; built once at start-up and again when a test changes them.
    TDbfGlobals();

    int DefaultOpenCodePage() const { return FDefaultOpenCodePage; }
    std::uint8_t DefaultCreateLangId() const { return FDefaultCreateLangId; }
    int DefaultCreateCodePage() const;
    void SetDefaultCreateCodePage(int codePage);
    bool CodePageInstalled(int codePage) const;
    const std::string& UserName() const { return FUserName; }

private:
    std::vector<int> FCodePages;
    int FDefaultOpenCodePage = 0;
    std::uint8_t FDefaultCreateLangId = 0;
    std::string FUserName;
};

TDbfGlobals& DbfGlobals();
// Rebuilds the globals from the current platform settings.
void ResetDbfGlobals();

}  // namespace korvane::dbf
