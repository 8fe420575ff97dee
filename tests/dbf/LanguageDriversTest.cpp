// Language drivers, the table's code page, the translation mode and Translate.
#include <gtest/gtest.h>

#include <cstring>

#include "conversion/TranslateEvent.h"
#include "dbf/Dbf.h"
#include "dbf/LanguageDriverTable.h"
#include "dbf/LanguageDrivers.h"
#include "platform/CodePages.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::dbf {
namespace {

using test::TableBuilder;
using test::TempDir;

TEST(LanguageDrivers, TableEntriesAndSets) {
    EXPECT_EQ(LangId_To_CodePage[DbfLangId_CSY_852], 852);
    EXPECT_EQ(LangId_To_Locale[FoxLangId_Chinese_936], 0x21004u);
    EXPECT_EQ(LangId_To_LocaleStr[DbfLangId_BUL_868], DbfLocale_Bul868);
    EXPECT_EQ(LangId_To_LocaleStr[0], DbfLocale_NotFound);
    EXPECT_EQ(LangId_To_LocaleStr[FoxLangId_Czech_1250], 0u);
    EXPECT_EQ(LangId_To_CodePage[0x21], 0);
    EXPECT_TRUE(IsDBaseLangId(0x00));
    EXPECT_TRUE(IsDBaseLangId(0x69));
    EXPECT_TRUE(IsDBaseLangId(0x90));
    EXPECT_FALSE(IsDBaseLangId(0x04));
    EXPECT_FALSE(IsDBaseLangId(0x64));
    EXPECT_FALSE(IsDBaseLangId(0x91));
}

TEST(LanguageDrivers, ConstructLangIdPrefersTheSystemsPair) {
    EXPECT_EQ(ConstructLangId(1250, 0x0405, false), 0xC8);
    EXPECT_EQ(ConstructLangId(1252, 0x0409, false), 0x37);
    EXPECT_EQ(ConstructLangId(852, 0x0405, false), 0x1F);
    EXPECT_EQ(ConstructLangId(852, 0x0405, true), 0x64);
}

TEST(LanguageDrivers, NamesAndTheirIds) {
    EXPECT_EQ(ConstructLangName(852, 0x0405, false), "DB852CZ0");
    EXPECT_EQ(ConstructLangName(1252, 0x0809, false), "DBWINWE0");
    EXPECT_EQ(ConstructLangName(437, 0x0407, true), "FOXDE437");
    EXPECT_EQ(ConstructLangName(868, 0x0402, false), "BGDB868");
    EXPECT_EQ(GetLangId_From_LangName("FOXDE437"), 0x5E);
    EXPECT_EQ(GetLangId_From_LangName("DB852CZ0"), 0x1F);
    EXPECT_EQ(GetLangId_From_LangName("DBWINUS0"), 0x57);
}

struct Level7Case {
    std::string name;
    std::uint32_t codePage;
};

TEST(LanguageDrivers, Level7DriverNames) {
    for (const Level7Case& c : {Level7Case{"DB1250CZ0", 1250}, Level7Case{"DBWINUS0", 1252}, Level7Case{"DBHEBREW", 1255},
                                Level7Case{"FOXDE437", 437}, Level7Case{"BGDB868", 0}, Level7Case{"", 0}}) {
        std::string name = c.name;
        name.resize(32, '\0');
        EXPECT_EQ(CodePageFromLangName(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()), c.codePage) << c.name;
        TempDir dir;
        TDbf table;
        table.SetTableName(dir.Write("t.dbf", TableBuilder(0x04).LanguageId(0x01).DriverName(c.name).Field("A", 'C', 1).Bytes()));
        table.Open();
        EXPECT_EQ(table.GetCodePage(), c.codePage == 0 ? 1250u : c.codePage) << c.name;
    }
}

struct DriverCase {
    std::uint8_t languageId;
    std::uint32_t useCodePage;
    TDbfTranslationMode mode;
};

TEST(LanguageDrivers, TableCodePageAndTranslationMode) {
    for (const DriverCase& c :
         {DriverCase{0x1F, 852, tmSimple}, DriverCase{0x00, 1250, tmNoneNeeded}, DriverCase{0x8E, 868, tmNoneAvailable},
          DriverCase{0xC9, 1251, tmAdvanced}, DriverCase{0x21, 1250, tmNoneNeeded}}) {
        TempDir dir;
        TDbf table;
        table.SetTableName(dir.Write("t.dbf", TableBuilder(0x03).LanguageId(c.languageId).Field("A", 'C', 1).Bytes()));
        table.Open();
        EXPECT_EQ(table.GetCodePage(), c.useCodePage) << int(c.languageId);
        EXPECT_EQ(table.TranslationMode(), c.mode) << int(c.languageId);
        EXPECT_EQ(table.LanguageID(), c.languageId);
    }
}

TEST(LanguageDrivers, LanguageWarningActions) {
    struct Case {
        TDbfLanguageAction action;
        std::uint32_t codePage;
        TDbfTranslationMode mode;
    };
    for (const Case& c : {Case{laReadOnly, 868, tmNoneAvailable}, Case{laForceOEM, 852, tmSimple},
                          Case{laForceANSI, 1250, tmNoneNeeded}, Case{laDefault, 1250, tmNoneNeeded}}) {
        TempDir dir;
        TDbf table;
        table.OnLanguageWarning = [&](TDbf&, TDbfLanguageAction& a) { a = c.action; };
        table.SetTableName(dir.Write("t.dbf", TableBuilder(0x03).LanguageId(0x8E).Field("A", 'C', 1).Bytes()));
        table.Open();
        EXPECT_EQ(table.GetCodePage(), c.codePage);
        EXPECT_EQ(table.TranslationMode(), c.mode);
    }
}

TEST(LanguageDrivers, DefaultCreateLanguageFollowsTheSystem) {
    platform::PlatformSettings us = test::DefaultTestSettings();
    us.ansiCodePage = 1252;
    us.oemCodePage = 437;
    us.userLocale = 0x0409;
    // A table whose header names no driver is read with the system's.
    TempDir dir;
    const std::string path = dir.Write("t.dbf", TableBuilder(0x03).Field("A", 'C', 1).Bytes());
    for (const auto& [settings, language] : {std::pair{us, 0x37}, std::pair{test::DefaultTestSettings(), 0xC8}}) {
        TDbf table;
        table.Settings = settings;
        table.SetTableName(path);
        table.Open();
        EXPECT_EQ(table.DbfFile()->FileLangId(), language);
        EXPECT_EQ(table.GetCodePage(), LangId_To_CodePage[static_cast<std::size_t>(language)]);
    }
    EXPECT_TRUE(platform::IsCodePageInstalled(852));
    for (std::uint32_t cp : {620u, 867u, 868u, 895u}) EXPECT_FALSE(platform::IsCodePageInstalled(cp)) << cp;
}

// One Czech table in code page 852 holding ž (0xA7).
class CzechTable {
public:
    CzechTable() {
        FTable.SetTableName(FDir.Write("t.dbf", TableBuilder(0x03).LanguageId(0x1F).Field("A", 'C', 3).Record({"\xA7"}).Bytes()));
    }
    TDbf& Table() { return FTable; }

private:
    TempDir FDir;
    TDbf FTable;
};

TEST(Translate, SimpleModeTranslatesToAnsiWithoutAHandler) {
    CzechTable t;
    t.Table().Open();
    EXPECT_EQ(t.Table().Fields()[0]->AsString(), u"\u017e");  // ž through 852 -> 1250
    std::uint8_t text[] = {0xA7, 0};
    EXPECT_EQ(t.Table().Translate(text, text, false), 1);
    EXPECT_EQ(text[0], 0x9E);
}

TEST(Translate, PassThroughHandlerKeepsTheBytes) {
    CzechTable t;
    t.Table().OnTranslate = [](TDbf&, const std::uint8_t* s, std::uint8_t* d, bool o) { return TranslateEvent(s, d, o); };
    t.Table().Open();
    std::uint8_t text[] = {0xA7, 0};
    EXPECT_EQ(t.Table().Translate(text, text, false), 1);
    EXPECT_EQ(text[0], 0xA7);
    // Read as Windows-1250, the stored 0xA7 is the section sign.
    EXPECT_EQ(t.Table().Fields()[0]->AsString(), u"\u00a7");
}

TEST(Translate, NullPointersAndHandlerResults) {
    CzechTable t;
    int calls = 0;
    t.Table().OnTranslate = [&](TDbf&, const std::uint8_t*, std::uint8_t* d, bool) {
        ++calls;
        std::memcpy(d, "xyz", 4);
        return -1;
    };
    std::uint8_t buffer[8] = {'a', 0};
    EXPECT_EQ(t.Table().Translate(nullptr, buffer, false), 0);
    EXPECT_EQ(t.Table().Translate(buffer, nullptr, false), 0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(t.Table().Translate(buffer, buffer, false), 3);
    EXPECT_EQ(calls, 1);
}

TEST(Translate, PassThroughHandlerCopiesAndCounts) {
    const std::uint8_t abc[] = {'A', 'B', 'C', 0};
    std::uint8_t dest[4] = {9, 9, 9, 9};
    EXPECT_EQ(TranslateEvent(abc, dest, false), 3);
    EXPECT_EQ(std::memcmp(dest, "ABC\x09", 4), 0);
    const std::uint8_t empty[] = {0};
    EXPECT_EQ(TranslateEvent(empty, dest, true), 0);
}

TEST(Translate, LongTextInAdvancedModeStaysUntranslated) {
    std::vector<std::uint8_t> text(1100, 0xC0);
    text.push_back(0);
    std::vector<std::uint8_t> copy = text;
    EXPECT_EQ(TranslateString(test::DefaultTestSettings(), 1251, 1250, text.data(), text.data(), -1), 0);
    EXPECT_EQ(text, copy);
    std::uint8_t shortText[] = {0xC0, 0};  // Cyrillic А has no Windows-1250 byte
    EXPECT_EQ(TranslateString(test::DefaultTestSettings(), 1251, 1250, shortText, shortText, -1), 1);
    EXPECT_EQ(shortText[0], '?');
}

TEST(Translate, MemoTextIsTranslatedInChunks) {
    TempDir dir;
    TDbf table;
    std::vector<std::size_t> chunks;
    table.OnTranslate = [&](TDbf&, const std::uint8_t* s, std::uint8_t*, bool) {
        chunks.push_back(std::strlen(reinterpret_cast<const char*>(s)));
        return static_cast<int>(chunks.back());
    };
    table.SetTableName(dir.Write("t.dbf", TableBuilder(0x83).Field("M", 'M', 10).Record({"1"}).Record({"5"}).Bytes()));
    dir.Write("t.dbt", test::MemoBuilder::Dbt(512).Block(1, std::string(1300, 'm') + "\x1A\x1A").Block(5, "\x1A\x1A").Bytes());
    table.Open();
    EXPECT_EQ(table.Fields()[0]->AsString().size(), 1300u);
    EXPECT_EQ(chunks, (std::vector<std::size_t>{512, 512, 276}));
    table.Next();
    EXPECT_EQ(table.Fields()[0]->AsString(), u"");
    EXPECT_EQ(chunks.size(), 3u);
}

}  // namespace
}  // namespace korvane::dbf
