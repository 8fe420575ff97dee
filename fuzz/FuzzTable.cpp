// Fuzz target: a table from arbitrary bytes, with an arbitrary memo file beside it, converted
// completely. The first two bytes say how many of the rest belong to the table.
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "conversion/ConversionRun.h"
#include "dbf/DbfGlobals.h"
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

void WriteAll(const std::string& path, const std::uint8_t* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

std::string& FolderName() {
    static std::string name;
    return name;
}

// The scratch folder goes when the fuzzer ends (it exits normally at the end of its time).
void RemoveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FolderName(), ec);
}

const std::string& Folder() {
    static const std::string& folder = [] () -> const std::string& {
        std::string dir = "/dev/shm/korvane-fuzz-" + std::to_string(::getpid());
        if (::access("/dev/shm", W_OK) != 0) dir = "/tmp/korvane-fuzz-" + std::to_string(::getpid());
        ::mkdir(dir.c_str(), 0700);
        FolderName() = dir;
        std::atexit(RemoveFolder);
        return FolderName();
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t tableSize = std::min<std::size_t>(size - 2, static_cast<std::size_t>(data[0] | (data[1] << 8)));
    const bool foxPro = (data[2 % size] & 1) != 0;
    const std::string table = Folder() + "/t.dbf";
    WriteAll(table, data + 2, tableSize);
    WriteAll(Folder() + (foxPro ? "/t.fpt" : "/t.dbt"), data + 2 + tableSize, size - 2 - tableSize);
    ::unlink((Folder() + (foxPro ? "/t.dbt" : "/t.fpt")).c_str());
    ::unlink((Folder() + "/t.mdx").c_str());
    SilentView view;
    korvane::TableOwner owner;
    try {
        korvane::RunConversion(view, owner, table, Folder() + "/t.xml");
    } catch (const korvane::Exception&) {
    }
    return 0;
}
