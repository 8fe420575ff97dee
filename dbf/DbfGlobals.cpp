#include "dbf/DbfGlobals.h"

#include <algorithm>
#include <memory>

#include "dbf/DbfFieldDef.h"
#include "dbf/LanguageDriverTable.h"
#include "dbf/LanguageDrivers.h"
#include "platform/CodePages.h"
#include "platform/System.h"

namespace korvane::dbf {

TDbfGlobals::TDbfGlobals() {
    const int ansi = static_cast<int>(platform::GetACP());
    FDefaultOpenCodePage = ansi;
    SetDefaultCreateCodePage(ansi);
    for (std::uint32_t cp : platform::InstalledCodePages()) FCodePages.push_back(static_cast<int>(cp));
    FUserName = platform::ComputerName().substr(0, 16);
}

int TDbfGlobals::DefaultCreateCodePage() const {
    return LangId_To_CodePage[FDefaultCreateLangId];
}

void TDbfGlobals::SetDefaultCreateCodePage(int codePage) {
    FDefaultCreateLangId = ConstructLangId(codePage, platform::GetUserDefaultLCID(), false);
}

bool TDbfGlobals::CodePageInstalled(int codePage) const {
    return std::find(FCodePages.begin(), FCodePages.end(), codePage) != FCodePages.end();
}

namespace {
std::unique_ptr<TDbfGlobals>& Instance() {
    static std::unique_ptr<TDbfGlobals> instance;
    return instance;
}
}  // namespace

TDbfGlobals& DbfGlobals() {
    if (!Instance()) Instance() = std::make_unique<TDbfGlobals>();
    return *Instance();
}

void ResetDbfGlobals() {
    Instance() = std::make_unique<TDbfGlobals>();
}

}  // namespace korvane::dbf
