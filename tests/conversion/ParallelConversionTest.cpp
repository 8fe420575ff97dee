// Conversions at the same time on threads of one process, each with its own settings: every
// document is the one that conversion writes alone.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "conversion/ConversionRun.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

using test::TableBuilder;

// A table of text in code page 852, numbers, dates, time stamps and logicals.
std::string Table(std::uint32_t seed) {
    std::mt19937 engine(seed);
    auto rng = [&] { return static_cast<std::uint32_t>(engine()); };
    TableBuilder b(0x30);
    b.LanguageId(0x64).Field("NAZEV", 'C', 12).Field("CENA", 'N', 12, 2).Field("DEN", 'D', 8).Field("KDY", 'T', 8);
    b.Field("OK", 'L', 1).Field("MNOZ", 'I', 4);
    for (int r = 0; r < 2000; ++r) {
        std::string text;
        for (int k = 0; k < 12; ++k) text += static_cast<char>(rng() % 2 ? 'a' + rng() % 26 : 0x80 + rng() % 128);
        const std::uint32_t day = 2440000 + rng() % 30000;
        b.Record({text, std::to_string(rng() % 100000) + "." + std::to_string(rng() % 100),
                  "2024" + std::to_string(10 + rng() % 3) + "1" + std::to_string(rng() % 10),
                  test::Le32(day) + test::Le32(rng() % 86400000), rng() % 2 ? "T" : "N", test::Le32(rng())});
    }
    return b.Bytes();
}

struct Variant {
    platform::PlatformSettings settings;
    bool typed = false;
    std::uint32_t codePage = 0;  // 0: the repair of code page 852
};

std::vector<Variant> Variants() {
    std::vector<Variant> variants(6, Variant{test::DefaultTestSettings()});
    variants[1].settings.decimalSeparator = u',';
    variants[1].settings.shortDateFormat = "%-d.%-m.%Y";
    variants[1].settings.crlfLineBreak = false;
    variants[2].typed = true;
    variants[3].settings.shortDateFormat = "%d %b %Y";  // month names: the C library's formatting
    variants[3].settings.longTimeFormat = "%I:%M:%S %p";
    variants[3].settings.ansiCodePage = 1252;
    variants[4].codePage = 852;
    variants[4].settings.ansiCodePage = 65001;
    variants[5].typed = true;
    variants[5].codePage = 1250;
    variants[5].settings.decimalSeparator = u',';
    return variants;
}

std::string ConvertWith(const std::string& table, const std::string& target, const Variant& v) {
    test::RecordingView view;
    TableOwner owner;
    ConversionOptions options;
    options.settings = v.settings;
    options.typed = v.typed;
    options.codePage.number = v.codePage;
    if (!RunConversion(view, owner, table, target, options)) return "!";
    return test::ReadFile(target);
}

TEST(ParallelConversion, EachThreadWritesWhatItWritesAlone) {
    test::TempDir dir;
    const std::vector<Variant> variants = Variants();
    std::vector<std::string> tables, expected;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        tables.push_back(dir.Write("t" + std::to_string(i) + ".dbf", Table(static_cast<std::uint32_t>(i % 3 + 1))));
        expected.push_back(ConvertWith(tables[i], dir.Path("alone" + std::to_string(i) + ".xml"), variants[i]));
        ASSERT_NE(expected[i], "!");
    }
    // The variants differ in what they write, so that a setting taken from another thread shows.
    for (std::size_t i = 1; i < variants.size(); ++i) EXPECT_NE(expected[i], expected[i % 3 == 0 ? 0 : i - 1]) << i;
    std::vector<std::string> got(variants.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < variants.size(); ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3 && got[i].empty(); ++round) {
                const std::string document =
                    ConvertWith(tables[i], dir.Path("together" + std::to_string(i) + ".xml"), variants[i]);
                if (document != expected[i]) got[i] = "round " + std::to_string(round) + " differs";
            }
        });
    for (std::thread& t : threads) t.join();
    for (std::size_t i = 0; i < variants.size(); ++i) EXPECT_EQ(got[i], "") << "variant " << i;
}

}  // namespace
}  // namespace korvane
