#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

#include "cli/Cli.h"
#include "conversion/ConversionRun.h"
#include "dbf/Dbf.h"
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

LockHolder::LockHolder(const std::string& path, int operation) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    FPid = ::fork();
    if (FPid == 0) {
        // Holds the lock until the test lets go (or ends, which closes the pipe too).
        ::close(release[1]);
        const int fd = ::open(path.c_str(), O_RDONLY);
        (void)!::write(ready[1], ::flock(fd, operation) == 0 ? "y" : "n", 1);
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    ::close(release[0]);
    ::close(ready[1]);
    FRelease = release[1];
    char answer = 0;
    FHolds = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
}

LockHolder::~LockHolder() {
    if (FRelease >= 0) ::close(FRelease);
    if (FPid > 0) ::waitpid(FPid, nullptr, 0);
}

}  // namespace korvane::test
