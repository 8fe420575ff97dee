#include "dbf/LanguageDrivers.h"

#include <cstring>

#include "dbf/LanguageDriverTable.h"
#include "dbf/NumberText.h"

namespace korvane::dbf {

namespace {
// Leading blanks, an optional sign, then digits; anything else is not a number (0).
int ParseSmallNumber(const std::uint8_t* p, std::size_t n) {
    std::int64_t value = 0;
    return ParseIntegerDigits(p, n, value) ? static_cast<int>(value) : 0;
}

bool StartsWith(const std::uint8_t* p, std::size_t size, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return at + n <= size && std::memcmp(p + at, text, n) == 0;
}
}  // namespace

bool IsDBaseLangId(std::uint8_t id) {
    for (const auto& r : dBase_Regions)
        if (id >= r[0] && id <= r[1]) return true;
    return false;
}

std::uint8_t FindLangId(std::uint32_t codePage, std::uint32_t info, const std::array<std::uint32_t, 256>& infoTable,
                        bool isFoxPro) {
    int dbaseId = -1;
    int foxId = -1;
    for (int id = 0; id < 256; ++id) {
        const auto i = static_cast<std::size_t>(id);
        if ((LangId_To_CodePage[i] == codePage || codePage == 0) && infoTable[i] == info) {
            if (IsDBaseLangId(static_cast<std::uint8_t>(id)))
                dbaseId = id;
            else
                foxId = id;
        }
    }
    if (dbaseId >= 0 && (!isFoxPro || foxId < 0)) return static_cast<std::uint8_t>(dbaseId);
    if (foxId >= 0) return static_cast<std::uint8_t>(foxId);
    return 0;
}

std::uint8_t ConstructLangId(int codePage, std::uint32_t locale, bool isFoxPro) {
    locale &= 0xFFFF;
    std::uint8_t id = FindLangId(static_cast<std::uint32_t>(codePage), locale, LangId_To_Locale, isFoxPro);
    if (id == 0) id = FindLangId(0, locale, LangId_To_Locale, isFoxPro);
    return id;
}

std::string ConstructLangName(int codePage, std::uint32_t locale, bool isFoxPro) {
    const std::uint8_t id = ConstructLangId(codePage, locale, isFoxPro);
    const std::uint32_t code = LangId_To_LocaleStr[id];
    if (code == DbfLocale_NotFound) return {};
    if (code == DbfLocale_Bul868) return "BGDB868";
    std::string localeText;
    for (int i = 0; i < 3; ++i)
        if (const char c = static_cast<char>((code >> (8 * i)) & 0xFF)) localeText += c;
    const std::string page = codePage == 1252 ? "WIN" : std::to_string(codePage);
    return IsDBaseLangId(id) ? "DB" + page + localeText : "FOX" + localeText + page;
}

std::uint8_t GetLangId_From_LangName(const std::string& name) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(name.data());
    const std::size_t n = name.size();
    auto at = [&](std::size_t i) -> std::uint32_t { return i < n ? p[i] : 0; };
    const bool foxPro = StartsWith(p, n, 0, "FOX");
    std::size_t pageStart;
    std::uint32_t info;
    if (foxPro) {
        pageStart = 5;
        info = at(3) | (at(4) << 8);
    } else {
        pageStart = 2;
        info = at(5) | (at(6) << 8) | (at(7) << 16);
    }
    std::uint8_t page[3] = {static_cast<std::uint8_t>(at(pageStart)), static_cast<std::uint8_t>(at(pageStart + 1)),
                            static_cast<std::uint8_t>(at(pageStart + 2))};
    int codePage;
    if (std::memcmp(page, "WIN", 3) == 0)
        codePage = 1252;
    else if (std::memcmp(page, "REW", 3) == 0)
        codePage = 1255;
    else
        codePage = ParseSmallNumber(page, 3);
    return FindLangId(static_cast<std::uint32_t>(codePage), info, LangId_To_LocaleStr, foxPro);
}

std::uint32_t CodePageFromLangName(const std::uint8_t* p, std::size_t size) {
    int codePage = 0;
    if (StartsWith(p, size, 0, "DB")) {
        if (StartsWith(p, size, 2, "WIN"))
            codePage = 1252;
        else if (StartsWith(p, size, 2, "HEBREW"))
            codePage = 1255;
        else {
            codePage = size >= 5 ? ParseSmallNumber(p + 2, 3) : 0;
            if (size > 5 && p[5] >= '0' && p[5] <= '9') codePage = codePage * 10 + (p[5] - '0');
        }
    } else if (StartsWith(p, size, 0, "FOX")) {
        if (StartsWith(p, size, 5, "WIN"))
            codePage = 1252;
        else
            codePage = size >= 8 ? ParseSmallNumber(p + 5, 3) : 0;
    }
    return static_cast<std::uint32_t>(codePage < 0 ? 0 : codePage);
}

}  // namespace korvane::dbf
