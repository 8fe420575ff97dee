// Fuzz target: a table from arbitrary bytes, with an arbitrary memo file beside it, converted
// completely. The first two bytes say how many of the rest belong to the table, the third which
// memo file it is and which document is written: plain or typed, in the default reading or a
// code page asked for. The files live in memory, so the fuzzer leaves nothing behind.
#include <algorithm>
#include <cstdint>
#include <string>

#include "conversion/ConversionRun.h"
#include "platform/ByteFile.h"
#include "platform/Exception.h"

namespace {

class SilentView : public korvane::IConversionView {
public:
    void SetVisible(korvane::Control, bool) override {}
    void SetText(korvane::Control, const std::string&) override {}
    void SetGaugeRange(int, int) override {}
    void SetGaugeProgress(int) override {}
    void ShowMessage(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t tableSize = std::min<std::size_t>(size - 2, static_cast<std::size_t>(data[0] | (data[1] << 8)));
    const std::uint8_t choice = data[2 % size];
    const bool foxPro = (choice & 1) != 0;
    // The table and its memo file in memory; the document goes nowhere.
    korvane::platform::MemoryFileSystem files;
    files.Put("/fuzz/t.dbf", {data + 2, data + 2 + tableSize});
    files.Put(foxPro ? "/fuzz/t.fpt" : "/fuzz/t.dbt", {data + 2 + tableSize, data + size});
    SilentView view;
    korvane::TableOwner owner;
    korvane::ConversionOptions options;
    options.files = &files;
    options.sweepTemporaries = false;  // the document goes to /dev/null
    options.typed = (choice & 2) != 0;
    // No code page, the table's own, and pages of each kind: single-byte, UTF-8, double-byte
    // and one of Korvane's own tables.
    static constexpr std::uint32_t kCodePages[] = {0, 0, 1251, 65001, 932, 895, 852, 1250};
    options.codePage.fromTable = ((choice >> 2) & 7) == 1;
    options.codePage.number = kCodePages[(choice >> 2) & 7];
    try {
        korvane::RunConversion(view, owner, "/fuzz/t.dbf", "/dev/null", options);
    } catch (const korvane::Exception&) {
    }
    return 0;
}
