// Language driver ids, their code pages, locales and locale codes.
#pragma once

#include <array>
#include <cstdint>

namespace korvane::dbf {

inline constexpr std::uint8_t FoxLangId_ENU_437 = 0x01;
inline constexpr std::uint8_t FoxLangId_Intl_850 = 0x02;
inline constexpr std::uint8_t FoxLangId_Windows_1252 = 0x03;
inline constexpr std::uint8_t FoxLangId_Mac_10000 = 0x04;
inline constexpr std::uint8_t DbfLangId_DAN_865 = 0x08;
inline constexpr std::uint8_t DbfLangId_NLD_437 = 0x09;
inline constexpr std::uint8_t DbfLangId_NLD_850 = 0x0A;
inline constexpr std::uint8_t DbfLangId_FIN_437 = 0x0B;
inline constexpr std::uint8_t DbfLangId_FIN_850 = 0x0C;
inline constexpr std::uint8_t DbfLangId_FRA_437 = 0x0D;
inline constexpr std::uint8_t DbfLangId_FRA_850 = 0x0E;
inline constexpr std::uint8_t DbfLangId_DEU_437 = 0x0F;
inline constexpr std::uint8_t DbfLangId_DEU_850 = 0x10;
inline constexpr std::uint8_t DbfLangId_ITA_437 = 0x11;
inline constexpr std::uint8_t DbfLangId_ITA_850 = 0x12;
inline constexpr std::uint8_t DbfLangId_JPN_932 = 0x13;
inline constexpr std::uint8_t DbfLangId_ESP_850 = 0x14;
inline constexpr std::uint8_t DbfLangId_SVE_437 = 0x15;
inline constexpr std::uint8_t DbfLangId_SVE_850 = 0x16;
inline constexpr std::uint8_t DbfLangId_NOR_865 = 0x17;
inline constexpr std::uint8_t DbfLangId_ESP_437 = 0x18;
inline constexpr std::uint8_t DbfLangId_ENG_437 = 0x19;
inline constexpr std::uint8_t DbfLangId_ENG_850 = 0x1A;
inline constexpr std::uint8_t DbfLangId_ENU_437 = 0x1B;
inline constexpr std::uint8_t DbfLangId_FRC_863 = 0x1C;
inline constexpr std::uint8_t DbfLangId_FRC_850 = 0x1D;
inline constexpr std::uint8_t DbfLangId_CSY_852 = 0x1F;
inline constexpr std::uint8_t DbfLangId_CSY_867 = 0x20;
inline constexpr std::uint8_t DbfLangId_HUN_852 = 0x22;
inline constexpr std::uint8_t DbfLangId_PLK_852 = 0x23;
inline constexpr std::uint8_t DbfLangId_PTG_860 = 0x24;
inline constexpr std::uint8_t DbfLangId_PTB_850 = 0x25;
inline constexpr std::uint8_t DbfLangId_RUS_866 = 0x26;
inline constexpr std::uint8_t DbfLangId_ENU_850 = 0x37;
inline constexpr std::uint8_t DbfLangId_CHS_936 = 0x4D;
inline constexpr std::uint8_t DbfLangId_KOR_949 = 0x4E;
inline constexpr std::uint8_t DbfLangId_CHT_950 = 0x4F;
inline constexpr std::uint8_t DbfLangId_THA_874 = 0x50;
inline constexpr std::uint8_t DbfLangId_JPN_DIC_932 = 0x56;
inline constexpr std::uint8_t DbfLangId_Ascii_1252 = 0x57;
inline constexpr std::uint8_t DbfLangId_WEurope_1252 = 0x58;
inline constexpr std::uint8_t DbfLangId_Spanish_1252 = 0x59;
inline constexpr std::uint8_t FoxLangId_German_437 = 0x5E;
inline constexpr std::uint8_t FoxLangId_Nordic_437 = 0x5F;
inline constexpr std::uint8_t FoxLangId_Nordic_850 = 0x60;
inline constexpr std::uint8_t FoxLangId_German_1252 = 0x61;
inline constexpr std::uint8_t FoxLangId_Nordic_1252 = 0x62;
inline constexpr std::uint8_t FoxLangId_EEurope_852 = 0x64;
inline constexpr std::uint8_t FoxLangId_Russia_866 = 0x65;
inline constexpr std::uint8_t FoxLangId_Nordic_865 = 0x66;
inline constexpr std::uint8_t FoxLangId_Iceland_861 = 0x67;
inline constexpr std::uint8_t FoxLangId_Czech_895 = 0x68;
inline constexpr std::uint8_t DbfLangId_POL_620 = 0x69;
inline constexpr std::uint8_t FoxLangId_Greek_737 = 0x6A;
inline constexpr std::uint8_t FoxLangId_Turkish_857 = 0x6B;
inline constexpr std::uint8_t FoxLangId_Taiwan_950 = 0x78;
inline constexpr std::uint8_t FoxLangId_Korean_949 = 0x79;
inline constexpr std::uint8_t FoxLangId_Chinese_936 = 0x7A;
inline constexpr std::uint8_t FoxLangId_Japan_932 = 0x7B;
inline constexpr std::uint8_t FoxLangId_Thai_874 = 0x7C;
inline constexpr std::uint8_t FoxLangId_Hebrew_1255 = 0x7D;
inline constexpr std::uint8_t FoxLangId_Arabic_1256 = 0x7E;
inline constexpr std::uint8_t DbfLangId_Hebrew = 0x85;
inline constexpr std::uint8_t DbfLangId_ELL_437 = 0x86;
inline constexpr std::uint8_t DbfLangId_SLO_852 = 0x87;
inline constexpr std::uint8_t DbfLangId_TRK_857 = 0x88;
inline constexpr std::uint8_t DbfLangId_BUL_868 = 0x8E;
inline constexpr std::uint8_t FoxLangId_Russia_10007 = 0x96;
inline constexpr std::uint8_t FoxLangId_EEurope_10029 = 0x97;
inline constexpr std::uint8_t FoxLangId_Greek_10006 = 0x98;
inline constexpr std::uint8_t FoxLangId_Czech_1250 = 0x9B;
inline constexpr std::uint8_t FoxLangId_Czech_850 = 0x9C;
inline constexpr std::uint8_t FoxLangId_EEurope_1250 = 0xC8;
inline constexpr std::uint8_t FoxLangId_Russia_1251 = 0xC9;
inline constexpr std::uint8_t FoxLangId_Turkish_1254 = 0xCA;
inline constexpr std::uint8_t FoxLangId_Greek_1253 = 0xCB;

inline constexpr std::uint32_t DbfLocale_NotFound = 0x10000;
inline constexpr std::uint32_t DbfLocale_Bul868 = 0x20000;

// Up to three ASCII characters packed little-endian, as locale codes are compared.
constexpr std::uint32_t LocaleCode(const char* s) {
    std::uint32_t v = 0;
    for (int i = 0; i < 3 && s[i]; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[i])) << (8 * i);
    return v;
}

extern const std::array<std::uint16_t, 256> LangId_To_CodePage;
extern const std::array<std::uint32_t, 256> LangId_To_Locale;
extern const std::array<std::uint32_t, 256> LangId_To_LocaleStr;

// Ranges of ids (first, last) that form the dBase set; every other id is FoxPro's.
inline constexpr int dBase_RegionCount = 4;
inline constexpr std::uint8_t dBase_Regions[dBase_RegionCount][2] = {{0x00, 0x00}, {0x05, 0x5D}, {0x69, 0x69}, {0x80, 0x90}};

}  // namespace korvane::dbf
