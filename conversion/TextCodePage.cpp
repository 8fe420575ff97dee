#include "conversion/TextCodePage.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "dbf/Dbf.h"
#include "platform/CodePages.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace korvane {

namespace {

constexpr std::uint32_t kIsoBase = 28590;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// A code page number: digits only, 1 to 65535.
std::uint32_t Number(std::string_view digits) {
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const auto n = static_cast<std::uint32_t>(std::stoul(std::string(digits)));
    return n <= 65535 ? n : 0;
}

}  // namespace

std::uint32_t ParseCodePageName(std::string_view line) {
    if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && blank(line.back())) line.remove_suffix(1);
    if (StartsWithNoCase(line, "UTF-8") && line.size() == 5) return platform::kCodePageUtf8;
    if (StartsWithNoCase(line, "UTF8") && line.size() == 4) return platform::kCodePageUtf8;
    for (std::string_view iso : {"ISO-8859-", "8859-", "8859"}) {
        if (StartsWithNoCase(line, iso)) {
            const std::uint32_t part = Number(line.substr(iso.size()));
            return part >= 1 && part <= 16 ? kIsoBase + part : 0;
        }
    }
    for (std::string_view prefix : {"ANSI ", "windows-", "CP", "IBM"})
        if (StartsWithNoCase(line, prefix)) return Number(line.substr(prefix.size()));
    return Number(line);
}

DeclaredCodePage TableCodePage(dbf::TDbf& table) {
    DeclaredCodePage from;
    platform::IFileSystem& files = *table.Files;
    const std::string cpg = platform::FindCompanionFile(files, platform::ChangeFileExt(table.PhysicalFileName(), ".cpg"));
    if (files.Status(cpg).regular) {
        // The first line is all a .cpg holds; 256 bytes are more than any name needs.
        platform::OsError error;
        std::array<char, 256> head{};
        std::size_t got = 0;
        if (const auto file = files.Open(cpg, platform::FileAccess::ReadOnly, error)) {
            const platform::IoResult r = file->ReadAt(head.data(), head.size(), 0);
            got = r.count > 0 ? static_cast<std::size_t>(r.count) : 0;
        }
        std::string line(head.data(), got);
        line = line.substr(0, line.find('\n'));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        from.number = ParseCodePageName(line);
        if (from.number != 0) {
            from.declaredBy = cpg;
            return from;
        }
        // Not every .cpg names a code page (one found beside a shapefile held a web page):
        // such a file declares nothing, and the table's own driver is asked.
        from.passedOver = cpg;
        from.passedOverText = std::move(line);
    }
    // The driver's code page (at level 7 from the driver's name); none declared: the system's.
    from.number = table.DbfFile() ? table.DbfFile()->FileCodePage() : 0;
    from.none = from.number == 0;
    if (from.none) from.number = table.Settings.ansiCodePage;
    return from;
}

}  // namespace korvane
