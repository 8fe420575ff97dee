// Real tables written by other programs: every one converts or is refused cleanly, and every
// document is well-formed XML with one row per live record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "conversion/ConversionRun.h"
#include "platform/Endian.h"
#include "tests/support/TestSupport.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

#ifndef KORVANE_CORPUS_DIR
#define KORVANE_CORPUS_DIR ""
#endif
#ifndef KORVANE_REQUIRE_CORPUS
#define KORVANE_REQUIRE_CORPUS 0
#endif

// The tests of the shared tables skip without them, or fail when the build requires them.
#define KORVANE_NEED_CORPUS()                                                                          \
    do {                                                                                               \
        if (!ManifestPaths().empty()) break;                                                           \
        if (KORVANE_REQUIRE_CORPUS) FAIL() << "the shared corpus is required: " << KORVANE_CORPUS_DIR; \
        GTEST_SKIP() << "no corpus at " << KORVANE_CORPUS_DIR;                                         \
    } while (false)

std::vector<std::string> ManifestPaths() {
    std::vector<std::string> paths;
    std::ifstream manifest(std::string(KORVANE_CORPUS_DIR) + "/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // column names
    while (std::getline(manifest, line))
        if (!line.empty()) paths.push_back(line.substr(0, line.find('\t')));
    return paths;
}

// Live records by the table's own bytes: the records within the header's count (fewer when
// the file holds fewer whole records) and the slots behind it while each begins with a blank
// or '*', read at the fields' length where the header's length is too short for them and the
// file's size confirms them; those whose flag is not '*'.
int LiveRecords(const std::string& bytes) {
    const std::span<const std::uint8_t> b(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (bytes.size() < 32) return 0;
    const std::size_t header = platform::ReadU16LE(b, 8);
    std::size_t length = platform::ReadU16LE(b, 10);
    if (length == 0 || bytes.size() < header) return 0;
    const bool level7 = (b[0] & 7) == 4;
    const bool foxPro = (b[0] & 7) == 2 || (b[0] & 7) == 5 || (b[0] & 0xFE) == 0x30;
    const std::size_t step = level7 ? 48 : 32;
    std::size_t fields = 1;
    for (std::size_t at = level7 ? 68 : 32; at + step <= header && b[at] != 0x0D; at += step) {
        const std::size_t width = b[at + (level7 ? 33 : 16)];
        const std::size_t high = foxPro && b[at + 11] == 'C' ? b[at + 17] : 0;
        fields += width + 256 * high;
    }
    std::size_t data = bytes.size() - header;
    if (data > 0 && b.back() == 0x1A) --data;
    if (fields > length && data > 0 && data % fields == 0 && data % length != 0) length = fields;
    const std::int64_t stated = std::max<std::int32_t>(platform::ReadI32LE(b, 4), 0);
    const std::int64_t whole = static_cast<std::int64_t>((bytes.size() - header) / length);
    const auto flag = [&](std::int64_t r) { return b[header + static_cast<std::size_t>(r) * length]; };
    std::int64_t count = std::min(whole, stated);
    while (count < whole && (flag(count) == ' ' || flag(count) == '*')) ++count;
    int live = 0;
    for (std::int64_t r = 0; r < count; ++r)
        if (flag(r) != '*') ++live;
    return live;
}

// The documents among `paths` that expat (through Python's parser) does not read: it keeps
// XML 1.0's fourth edition name classes, which are stricter than libxml2's.
std::string ExpatRejects(const std::vector<std::string>& paths) {
    std::string command =
        "python3 -c 'import sys, xml.parsers.expat as e\n"
        "for p in sys.argv[1:]:\n"
        "    try: e.ParserCreate().ParseFile(open(p, \"rb\"))\n"
        "    except Exception as x: print(p, x)'";
    for (const std::string& p : paths) command += " '" + p + "'";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        if (::pclose(pipe) != 0) out += "python3 failed";
    }
    return out;
}

int CountRows(const std::string& xml) {
    int rows = 0;
    for (std::size_t at = xml.find("\n   <row"); at != std::string::npos; at = xml.find("\n   <row", at + 1)) ++rows;
    return rows;
}

TEST(Corpus, EveryTableConvertsToWellFormedXml) {
    KORVANE_NEED_CORPUS();
    KORVANE_LINUX_ONLY("xmllint");
    const std::vector<std::string> paths = ManifestPaths();
    ASSERT_EQ(std::system("xmllint --version >/dev/null 2>&1"), 0) << "xmllint (libxml2-utils) is needed";
    int converted = 0;
    test::TempDir documents;
    std::vector<std::string> written;
    for (const std::string& relative : paths) {
        SCOPED_TRACE(relative);
        const fs::path source = fs::path(KORVANE_CORPUS_DIR) / relative;
        test::TempDir dir;
        // The table and its companions (same name, any extension), copied: the shared files never change.
        for (const auto& entry : fs::directory_iterator(source.parent_path()))
            if (entry.path().stem() == source.stem()) fs::copy_file(entry.path(), dir.Path(entry.path().filename().string()));
        const std::string table = dir.Path(source.filename().string());
        const std::string before = test::ReadFile(table);
        std::ostringstream out, err;
        const int status = cli::RunCli({"-q", "-o", dir.Path("out.xml"), table}, out, err, false);
        EXPECT_EQ(test::ReadFile(table), before);  // the default mode never writes the table
        if (status != 0) {
            // Refused with one of the reader's messages.
            EXPECT_NE(err.str().find("Open DBF: "), std::string::npos) << err.str();
            continue;
        }
        ++converted;
        // In the code page the table declares, every table converts that declares one
        // Korvane can decode.
        const int declared = cli::RunCli({"--code-page", "table", "-q", "-o", dir.Path("cp.xml"), table}, out, err, false);
        if (declared == 0) {
            EXPECT_EQ(std::system(("xmllint --noout '" + dir.Path("cp.xml") + "'").c_str()), 0);
            written.push_back(documents.Path(std::to_string(converted) + "-cp.xml"));
            fs::copy_file(dir.Path("cp.xml"), written.back());
        } else {
            EXPECT_NE(err.str().find("which Korvane cannot decode"), std::string::npos) << err.str();
        }
        // The typed document converts too and validates against its own schema.
        EXPECT_EQ(cli::RunCli({"--typed", "-q", "-o", dir.Path("typed.xml"), table}, out, err, false), 0) << err.str();
        const std::string typed = test::ReadFile(dir.Path("typed.xml"));
        const std::size_t schemaStart = typed.find("<xs:schema"), schemaEnd = typed.find("</xs:schema>");
        ASSERT_NE(schemaEnd, std::string::npos);
        test::WriteFile(dir.Path("typed.xsd"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" +
                                                   typed.substr(schemaStart, schemaEnd + 12 - schemaStart) + "\n");
        EXPECT_EQ(
            std::system(
                ("xmllint --noout --schema '" + dir.Path("typed.xsd") + "' '" + dir.Path("typed.xml") + "' 2>/dev/null").c_str()),
            0);
        // Every mode writes the same document for a table that nobody changes meanwhile.
        for (const char* mode : {"--fix-header", "--exclusive"}) {
            EXPECT_EQ(cli::RunCli({mode, "-q", "-o", dir.Path("mode.xml"), table}, out, err, false), 0) << mode;
            EXPECT_TRUE(test::ReadFile(dir.Path("mode.xml")) == test::ReadFile(dir.Path("out.xml"))) << mode;
        }
        EXPECT_EQ(std::system(("xmllint --noout '" + dir.Path("out.xml") + "'").c_str()), 0);
        EXPECT_EQ(CountRows(test::ReadFile(dir.Path("out.xml"))), LiveRecords(before));
        written.push_back(documents.Path(std::to_string(converted) + ".xml"));
        fs::copy_file(dir.Path("out.xml"), written.back());
    }
    EXPECT_GT(converted, 50);
    EXPECT_EQ(ExpatRejects(written), "");
}

// Converts one shared table (copied with its companions) and returns the document, or "".
std::string ConvertShared(const std::string& relative, std::vector<std::string> options = {}) {
    const fs::path source = fs::path(KORVANE_CORPUS_DIR) / relative;
    test::TempDir dir;
    for (const auto& entry : fs::directory_iterator(source.parent_path()))
        if (entry.path().stem() == source.stem()) fs::copy_file(entry.path(), dir.Path(entry.path().filename().string()));
    std::ostringstream out, err;
    options.insert(options.end(), {"-q", "-o", dir.Path("out.xml"), dir.Path(source.filename().string())});
    if (cli::RunCli(options, out, err, false) != 0) return "";
    return test::ReadFile(dir.Path("out.xml"));
}

// Text in the code page each table declares, or one named, reads as the words it holds.
TEST(Corpus, TextInTheTablesOwnCodePage) {
    KORVANE_NEED_CORPUS();
    struct Case {
        std::string table;
        std::string which;
        std::vector<std::string> pieces;
    };
    const std::vector<Case> cases = {
        {"infused-dbf/fixtures/cp1251.dbf", "table", {"NAME=\"больничное\""}},
        {"javadbf/src/test/resources/gbk.dbf",
         "table",
         {"<xs:attribute name=\"设计编号\">", "<row 设计编号=\"201500256-059K-001-001牡丹江林口朝阳\""}},
        {"dbffile-node/test/fixtures/vfp_gb2312_memo.dbf", "table", {"TITLE=\"编制说明\""}},
        {"dbase-rs/tests/data/cp936.dbf", "table", {"<row TEST=\"测试中文\" />"}},
        {"javadbf/src/test/resources/provincias_es.dbf", "table", {"TEXTO=\"Álava\"", "CCAA=\"País Vasco\""}},
        {"dbffile-node/test/fixtures/dbase_not_latin1.dbf", "950", {"<xs:attribute name=\"畜主姓名\">", "犬名=\"小小\""}},
    };
    for (const Case& c : cases) {
        const std::string xml = ConvertShared(c.table, {"--code-page", c.which});
        ASSERT_FALSE(xml.empty()) << c.table;
        for (const std::string& piece : c.pieces) EXPECT_NE(xml.find(piece), std::string::npos) << c.table << ": " << piece;
    }
}

// Values that tables of other xBase programs hold and a reader should see.
TEST(Corpus, ValuesOfOtherProgramsTables) {
    KORVANE_NEED_CORPUS();
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        // FoxPro 9 memo file with a block length of 1.
        {"dbffile-node/test/fixtures/vfp9_memo_bs1.dbf",
         {"<row CODE=\"a1\" NOTES=\"Some notes here&#13;&#10;\" />", "<row CODE=\"a2\" NOTES=\"\" />"}},
        // Logical values stored as Y.
        {"infused-dbf/fixtures/dbase_8b.dbf", {"<row CHARACTER=\"One\" NUMERICAL=\"1\" DATE=\"01/01/1970\" LOGICAL=\"True\""}},
        // Numbers right-aligned in fields wider than 20 bytes.
        {"dbase-rs/tests/data/contain_none_float.dbf", {"VALUE_F=\"12.345\" VALUE_F_NON=\"\" VALUE_N=\"4\" VALUE_N_NON=\"\""}},
        // Visual FoxPro 9 varchar, varbinary and blob fields.
        {"infused-dbf/fixtures/dbase_32.dbf", {"<row NAME=\"Bad Meets Evil\""}},
        {"javadbf/src/test/resources/bug-56-index-out-of-bounds/56-testdata.dbf",
         {"KSXM=\"LongShan\" CSNO=\"1\" CSMC=\"London\""}},
        {"go-dbase/examples/test_data/table/TEST.DBF",
         {"VAR_NIL=\"Test value with variable length\" VAR=\"\"", "VARBIN_NIL=\"\xC5\x9E\xC2\xBB\xC4\x9A\"",
          "PRICE=\"12.3456\" DOUBLE=\"78.9\""}},
    };
    for (const auto& [table, pieces] : cases) {
        const std::string xml = ConvertShared(table);
        ASSERT_FALSE(xml.empty()) << table;
        for (const std::string& piece : pieces) EXPECT_NE(xml.find(piece), std::string::npos) << table << ": " << piece;
    }
}

// Tables with bytes behind their last record, or a header whose record length is too short
// for their fields: rows only for the records there are, each read from its own bytes.
TEST(Corpus, WhereTablesEnd) {
    KORVANE_NEED_CORPUS();
    struct Case {
        std::string table;
        int rows;
        std::vector<std::string> pieces;
    };
    const std::vector<Case> cases = {
        // Three records, then the end-of-file marker and padding that make a fourth slot.
        {"dans-dbf-lib/src/test/resources/dbase3plus/usage/MYTABLE.DBF", 3, {}},
        {"dans-dbf-lib/src/test/resources/dbase3plus/rndtrip/TABLE2.DBF", 1, {}},
        // One record of zero bytes (every value empty) and the rest of an older file behind it.
        {"javadbf/src/test/resources/bug-33-corrupted-file-sync-mode/myfileafter-corrupted.dbf", 1, {"AMOUNT=\"\" SSL_LF=\"\""}},
        // Records one byte longer than the header says.
        {"dbase-rs/tests/data/stations_with_deleted.dbf", 5, {"<row NAME=\"Metro Center\" MARKER-COL=\"#ff0000\""}},
        // A database container's memos are in its .dct.
        {"infused-dbf/fixtures/foxprodb/FOXPRO-DB-TEST.DBC", -1, {"OBJECTNAME=\"TransactionLog\""}},
    };
    for (const Case& c : cases) {
        const std::string xml = ConvertShared(c.table, {"--strict"});
        ASSERT_FALSE(xml.empty()) << c.table;
        if (c.rows >= 0) {
            EXPECT_EQ(CountRows(xml), c.rows) << c.table;
        }
        for (const std::string& piece : c.pieces) EXPECT_NE(xml.find(piece), std::string::npos) << c.table << ": " << piece;
    }
}

// The typed document of every shared table as the general rules write it, byte for byte.
TEST(Corpus, TypedValuesStraightFromTheRecordAsTheGeneralRules) {
    KORVANE_NEED_CORPUS();
    for (const std::string& relative : ManifestPaths()) {
        const fs::path source = fs::path(KORVANE_CORPUS_DIR) / relative;
        test::TempDir dir;
        for (const auto& entry : fs::directory_iterator(source.parent_path()))
            if (entry.path().stem() == source.stem()) fs::copy_file(entry.path(), dir.Path(entry.path().filename().string()));
        std::string documents[2];
        bool converted[2] = {false, false};
        for (const bool general : {false, true}) {
            test::RecordingView view;
            TableOwner owner;
            ConversionOptions options;
            options.typed = true;
            options.readOnly = true;
            options.generalValues = general;
            try {
                converted[general] = RunConversion(view, owner, dir.Path(source.filename().string()), dir.Path("t.xml"), options);
            } catch (const std::exception&) {
                converted[general] = false;
            }
            if (converted[general]) documents[general] = test::ReadFile(dir.Path("t.xml"));
        }
        EXPECT_EQ(converted[0], converted[1]) << relative;
        EXPECT_TRUE(documents[0] == documents[1]) << relative;
    }
}

// Runs a command and returns what it prints.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        ::pclose(p);
    }
    if (!out.empty() && out.back() == '\n') out.pop_back();  // xmllint ends its answer with a line
    return out;
}

TEST(XmlParser, ReadsBackEveryEscapedValueAndName) {
    KORVANE_LINUX_ONLY("xmllint");
    ASSERT_EQ(std::system("xmllint --version >/dev/null 2>&1"), 0) << "xmllint (libxml2-utils) is needed";
    test::TempDir dir;
    // Values with every character the document escapes, and a name that is no XML name.
    const std::vector<std::string> values = {"a&b", "<tag>", "say \"hi\"", "it's", "tab\there", "line\r\nbreak", "ctl\x01\x1F"};
    std::string table = "\x03\x7E\x0C\x01";
    table += std::string(1, static_cast<char>(values.size())) + std::string(3, '\0');
    table += std::string("\x61\x00", 2) + std::string("\x15\x00", 2) + std::string(20, '\0');  // header 97, record 21
    table += std::string("A B") + std::string(8, '\0') + "C" + std::string(4, '\0') + "\x14" + std::string(15, '\0');
    table +=
        std::string("A:B") + std::string(8, '\0') + "C" + std::string(4, '\0') + std::string(1, '\0') + std::string(15, '\0');
    table += "\x0D";
    for (const auto& v : values) {
        std::string padded = v;
        padded.resize(20, ' ');
        table += " " + padded;
    }
    const std::string path = dir.Write("t.dbf", table);
    std::ostringstream out, err;
    ASSERT_EQ(cli::RunCli({"-q", "-o", dir.Path("t.xml"), path}, out, err, false), 0) << err.str();
    const std::string xml = dir.Path("t.xml");
    ASSERT_EQ(std::system(("xmllint --noout '" + xml + "'").c_str()), 0);
    EXPECT_EQ(Output("xmllint --xpath 'string(//*[local-name()=\"attribute\"][1]/@name)' '" + xml + "'"), "A_B");
    EXPECT_EQ(Output("xmllint --xpath 'string(//*[local-name()=\"attribute\"][2]/@name)' '" + xml + "'"), "A_B2");
    const std::vector<std::string> expected = {
        "a&b", "<tag>", "say \"hi\"", "it's", "tab\there", "line\r\nbreak", "ctl\xEF\xBF\xBD\xEF\xBF\xBD"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string query = "xmllint --xpath 'string(/table/row[" + std::to_string(i + 1) + "]/@A_B)' '" + xml + "'";
        EXPECT_EQ(Output(query), expected[i]) << i;
    }
}

}  // namespace
}  // namespace korvane
