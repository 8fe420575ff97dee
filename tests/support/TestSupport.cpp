#include "tests/support/TestSupport.h"

#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

#include "conversion/ConversionRun.h"
#include "dbf/Dbf.h"
#include "dbf/DbfGlobals.h"
#include "platform/Exception.h"

namespace korvane::test {

TempDir::TempDir() {
    static std::mt19937_64 rng(static_cast<std::uint64_t>(::getpid()) * 7919u);
    FPath = std::filesystem::temp_directory_path() / ("korvane-test-" + std::to_string(rng()));
    std::filesystem::create_directories(FPath);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
    WriteFile(Path(name), bytes);
    return Path(name);
}

std::string TempDir::Read(const std::string& name) const {
    return ReadFile(Path(name));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> RecordingView::Messages() const {
    std::vector<std::string> out;
    for (const auto& e : events)
        if (e.what == "message") out.push_back(e.text);
    return out;
}

std::vector<std::string> RecordingView::Texts(Control c) const {
    std::vector<std::string> out;
    for (const auto& e : events)
        if (e.what == "text" && e.control == static_cast<int>(c)) out.push_back(e.text);
    return out;
}

platform::PlatformSettings DefaultTestSettings() {
    return platform::PlatformSettings{};
}

ScopedSettings::ScopedSettings(const platform::PlatformSettings& s) {
    platform::SetSettings(s);
    dbf::ResetDbfGlobals();
}

ScopedSettings::~ScopedSettings() {
    platform::SetSettings(DefaultTestSettings());
    dbf::ResetDbfGlobals();
}

std::string OpenMessage(const std::string& path, bool readOnly) {
    dbf::TDbf table;
    table.ReadOnly = readOnly;
    table.SetTableName(path);
    try {
        table.Open();
    } catch (const Exception& e) {
        if (table.Active()) return "opened, then: " + e.Message();
        return e.Message();
    }
    return "";
}

::testing::AssertionResult RefusedUnchanged(const std::string& bytes, const std::string& message) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", bytes);
    const std::string got = OpenMessage(path);
    if (got != message) return ::testing::AssertionFailure() << "open said \"" << got << "\", expected \"" << message << "\"";
    if (ReadFile(path) != bytes) return ::testing::AssertionFailure() << "the refused table was changed";
    return ::testing::AssertionSuccess();
}

std::string Convert(const std::string& tablePath, const std::string& targetPath) {
    RecordingView view;
    TableOwner owner;
    if (!RunConversion(view, owner, tablePath, targetPath)) return "!" + view.Messages().at(0);
    return ReadFile(targetPath);
}

}  // namespace korvane::test
