#include "tests/support/TestSupport.h"

#include <fstream>
#include <random>
#include <sstream>

#include "cli/Cli.h"
#include "conversion/ConversionRun.h"
#include "dbf/Dbf.h"
#include "platform/Exception.h"

namespace korvane::test {

TempDir::TempDir() {
    static std::mt19937_64 rng(std::random_device{}());
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("korvane-test-" + std::to_string(rng()));
    std::filesystem::create_directories(folder);
    const std::u8string text = folder.u8string();
    FPath.assign(text.begin(), text.end());
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FsPath(FPath), ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
    WriteFile(Path(name), bytes);
    return Path(name);
}

std::string TempDir::Read(const std::string& name) const {
    return ReadFile(Path(name));
}

std::filesystem::path FsPath(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
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

std::string OpenMessage(dbf::TDbf& table, const std::string& path) {
    table.SetTableName(path);
    try {
        table.Open();
    } catch (const Exception& e) {
        if (table.Active()) return "opened, then: " + e.Message();
        return e.Message();
    }
    return "";
}

std::string OpenMessage(const std::string& path, bool readOnly) {
    dbf::TDbf table;
    table.ReadOnly = readOnly;
    return OpenMessage(table, path);
}

::testing::AssertionResult RefusedUnchanged(const std::string& bytes, const std::string& message) {
    TempDir dir;
    const std::string path = dir.Write("t.dbf", bytes);
    const std::string got = OpenMessage(path);
    if (got != message) return ::testing::AssertionFailure() << "open said \"" << got << "\", expected \"" << message << "\"";
    if (ReadFile(path) != bytes) return ::testing::AssertionFailure() << "the refused table was changed";
    return ::testing::AssertionSuccess();
}

std::string Convert(const std::string& tablePath, const std::string& targetPath, const platform::PlatformSettings& settings) {
    RecordingView view;
    TableOwner owner;
    ConversionOptions options;
    options.settings = settings;
    if (!RunConversion(view, owner, tablePath, targetPath, options)) return "!" + view.Messages().at(0);
    return ReadFile(targetPath);
}

std::vector<std::string> ColumnA(const std::string& xml) {
    std::vector<std::string> values;
    for (std::size_t at = xml.find("<row A=\""); at != std::string::npos; at = xml.find("<row A=\"", at + 1)) {
        const std::size_t start = at + 8;
        values.push_back(xml.substr(start, xml.find('"', start) - start));
    }
    return values;
}

CliResult RunDbf2xml(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = cli::RunCli(args, out, err, false);
    return {status, out.str(), err.str()};
}

}  // namespace korvane::test
