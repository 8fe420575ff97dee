// Lookups between language driver ids, code pages, locales and driver names.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvane::dbf {

bool IsDBaseLangId(std::uint8_t id);
std::uint8_t FindLangId(std::uint32_t codePage, std::uint32_t info, const std::array<std::uint32_t, 256>& infoTable,
                        bool isFoxPro);
std::uint8_t ConstructLangId(int codePage, std::uint32_t locale, bool isFoxPro);
std::string ConstructLangName(int codePage, std::uint32_t locale, bool isFoxPro);
std::uint8_t GetLangId_From_LangName(const std::string& name);
// The code page named by a level 7 driver name (the 32 header bytes at offset 32); 0 when none.
std::uint32_t CodePageFromLangName(const std::uint8_t* name, std::size_t size);

}  // namespace korvane::dbf
