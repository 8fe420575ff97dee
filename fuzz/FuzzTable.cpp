// Fuzz target: a table from arbitrary bytes, with an arbitrary memo file beside it, converted
// completely. The first two bytes say how many of the rest belong to the table. The files live
// in memory, so the fuzzer leaves nothing behind.
#include <algorithm>
#include <cstdint>
#include <string>

#include "conversion/ConversionRun.h"
#include "dbf/DbfGlobals.h"
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
    const bool foxPro = (data[2 % size] & 1) != 0;
    // The table and its memo file in memory; the document goes nowhere.
    korvane::platform::MemoryFileSystem files;
    files.Put("/fuzz/t.dbf", {data + 2, data + 2 + tableSize});
    files.Put(foxPro ? "/fuzz/t.fpt" : "/fuzz/t.dbt", {data + 2 + tableSize, data + size});
    SilentView view;
    korvane::TableOwner owner;
    korvane::ConversionOptions options;
    options.files = &files;
    try {
        korvane::RunConversion(view, owner, "/fuzz/t.dbf", "/dev/null", options);
    } catch (const korvane::Exception&) {
    }
    return 0;
}
