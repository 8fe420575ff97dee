// Code page services: conversions between code pages and UTF-16, lead bytes, installed pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Settings.h"

namespace korvane::platform {

constexpr std::uint32_t kCodePageUtf16LE = 1200;
constexpr std::uint32_t kCodePageUtf8 = 65001;

// The code pages this layer converts: the single-byte tables, the double-byte pages
// the C library's iconv knows, and UTF-8.
const std::vector<std::uint32_t>& InstalledCodePages();
bool IsCodePageInstalled(std::uint32_t codePage);

// Appends the UTF-16 form of bytes in a code page; false when the page is not installed.
bool MultiByteToWide(std::uint32_t codePage, std::span<const std::uint8_t> bytes, std::u16string& out);
// Appends the bytes of UTF-16 text in a code page; a character the page cannot hold
// becomes '?'. False when the page is not installed.
bool WideToMultiByte(std::uint32_t codePage, std::u16string_view text, std::string& out);

bool IsDBCSLeadByte(std::uint32_t codePage, std::uint8_t byte);
// Whether every byte of the code page is one character of its own (a table page).
bool IsSingleByteCodePage(std::uint32_t codePage);

// The direct conversions between the system's OEM and ANSI code pages, byte for byte.
void OemToCharBuff(const PlatformSettings& system, const std::uint8_t* source, std::uint8_t* dest, std::size_t length);
void CharToOemBuff(const PlatformSettings& system, const std::uint8_t* source, std::uint8_t* dest, std::size_t length);

// A code page's number, with its common name where there is one: "1251 (Cyrillic)".
std::string CodePageName(std::uint32_t number);

}  // namespace korvane::platform
