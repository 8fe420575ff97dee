// Temporary folders, files and a conversion view that records what it is told.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "conversion/ConversionView.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

namespace korvane::dbf {
class TDbf;
}

namespace korvane::test {

// A folder removed with everything in it when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Paths are UTF-8, as the program's are, with the system's separator.
    std::string Path(const std::string& name) const { return FPath + platform::kPathDelim + name; }
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string FPath;
};

// A UTF-8 path as the standard library's file functions take it on every system.
std::filesystem::path FsPath(const std::string& path);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

struct ViewEvent {
    std::string what;  // "visible", "text", "range", "progress", "message"
    int control = -1;
    std::string text;
    int a = 0;
    int b = 0;
};

class RecordingView : public IConversionView {
public:
    void SetVisible(Control c, bool v) override { events.push_back({"visible", static_cast<int>(c), {}, v ? 1 : 0, 0}); }
    void SetText(Control c, const std::string& t) override { events.push_back({"text", static_cast<int>(c), t, 0, 0}); }
    void SetGaugeRange(int mn, int mx) override { events.push_back({"range", -1, {}, mn, mx}); }
    void SetGaugeProgress(int p) override {
        events.push_back({"progress", -1, {}, p, 0});
        if (onProgress) onProgress(p);
    }
    void ShowMessage(const std::string& t) override { events.push_back({"message", -1, t, 0, 0}); }

    std::vector<std::string> Messages() const;
    std::vector<std::string> Texts(Control c) const;
    std::vector<ViewEvent> events;
    // Called before each row is written (with the row's number), for faults during the walk.
    std::function<void(int)> onProgress;
};

// The settings the tests assume: Windows-1250 and 852, Czech locale, C-locale formats.
platform::PlatformSettings DefaultTestSettings();

// Opens the table at `path`; "" when it opened, else the failure's message.
std::string OpenMessage(const std::string& path, bool readOnly = false);
// Opens `table` at `path`, with its settings as the caller made them.
std::string OpenMessage(dbf::TDbf& table, const std::string& path);
// Writes `bytes` as a table, opens it and expects the open to fail with `message` and to leave
// the file exactly as it was.
::testing::AssertionResult RefusedUnchanged(const std::string& bytes, const std::string& message);

// Converts a table with the conversion run; returns the document, or the open failure's
// message prefixed with "!".
std::string Convert(const std::string& tablePath, const std::string& targetPath,
                    const platform::PlatformSettings& settings = DefaultTestSettings());

// The values of attribute A of every row of a document that starts its rows with it, in order.
std::vector<std::string> ColumnA(const std::string& xml);

// What dbf2xml said and did, run in this process.
struct CliResult {
    int status;
    std::string out;
    std::string err;
};
CliResult RunDbf2xml(const std::vector<std::string>& args);

// The Windows build, under Wine: what a test needs of Linux (xmllint, /dev/full, /proc, links
// it makes) is not there, and such a test is skipped; the Linux build runs it, and the two
// builds' documents are compared byte for byte.
#ifdef _WIN32
inline constexpr bool kOnWindows = true;
#else
inline constexpr bool kOnWindows = false;
#endif
#define KORVANE_LINUX_ONLY(what) \
    if (::korvane::test::kOnWindows) GTEST_SKIP() << what << " is Linux's"

// The build runs under AddressSanitizer or ThreadSanitizer, whose own memory and address
// space would be measured.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizerMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitizerMemory = true;
#else
inline constexpr bool kSanitizerMemory = false;
#endif
#else
inline constexpr bool kSanitizerMemory = false;
#endif

}  // namespace korvane::test
