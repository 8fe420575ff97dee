// Where a table ends and how long its records are, in every mode: rows, the header the
// correction writes, and the notes and warnings the command line gives.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/Cli.h"
#include "platform/Endian.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

using test::TableBuilder;
using test::TempDir;

using test::ColumnA;

std::int32_t HeaderCount(const std::string& bytes) {
    return platform::ReadI32LE(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 4);
}

// Three records "r1" to "r3" in a field A of three bytes, with what follows them.
TableBuilder Three(const std::string& behind, std::int32_t headerCount = 3) {
    TableBuilder b;
    b.Field("A", 'C', 3).Record({"r1"}).Record({"r2"}).Record({"r3"}).HeaderRecordCount(headerCount).Trailer(behind);
    return b;
}

struct EndCase {
    std::string name;
    std::string table;
    std::vector<std::string> rows;
    std::int32_t header;  // the header's count after the correction
    std::string note;     // the note after the table, "" for none
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

class TableEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(TableEndTest, EveryModeEndsTheTableAlikeAndTheCorrectionWritesThatCount) {
    const EndCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.Write("t.dbf", c.table);
    const std::int32_t stored = HeaderCount(c.table);
    // A file that holds fewer whole records than the header says is a warning in every mode.
    const std::string warning = c.header < stored ? "dbf2xml: " + path + ": warning: the header says " + std::to_string(stored) +
                                                        " records; the file holds " + std::to_string(c.header) + "\n"
                                                  : "";
    for (const char* mode : {"--read-only", "--fix-header", "--exclusive"}) {
        SCOPED_TRACE(mode);
        dir.Write("t.dbf", c.table);
        const test::CliResult r = test::RunDbf2xml({mode, "-o", dir.Path("t.xml"), path});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ColumnA(dir.Read("t.xml")), c.rows);
        // Modes that correct the header say what they wrote.
        const bool corrects = std::string(mode) != "--read-only" && c.header != stored;
        const std::string note = (corrects ? "dbf2xml: " + path + ": note: the header's record count was corrected from " +
                                                 std::to_string(stored) + " to " + std::to_string(c.header) + "\n"
                                           : "") +
                                 (c.note.empty() ? "" : "dbf2xml: " + path + ": note: " + c.note + "\n");
        // The notes come before the summary; -q leaves both out.
        EXPECT_TRUE(r.err.starts_with(warning + note)) << r.err;
        EXPECT_EQ(r.err.find(": note: ") != std::string::npos, !note.empty()) << r.err;
        const std::string after = dir.Read("t.dbf");
        if (std::string(mode) == "--read-only") {
            EXPECT_EQ(after, c.table);
        } else {
            EXPECT_EQ(HeaderCount(after), c.header);
            // Nothing but the header's first 32 bytes is ever written.
            EXPECT_EQ(after.substr(32), c.table.substr(32));
        }
        dir.Write("t.dbf", c.table);
        EXPECT_EQ(test::RunDbf2xml({"-q", mode, "-o", dir.Path("q.xml"), path}).err, warning);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, TableEndTest,
    ::testing::Values(
        EndCase{"EndMarkerAndPaddingMakeASlot",
                Three("\x1A   ").Bytes(),
                {"r1", "r2", "r3"},
                3,
                "1 record slot behind the table's end (after record 3) was not read"},
        EndCase{"ZeroFilledSlots",
                Three(std::string(8, '\0')).Bytes(),
                {"r1", "r2", "r3"},
                3,
                "2 record slots behind the table's end (after record 3) were not read"},
        EndCase{"AnEndOnceMetIsFinal",
                Three(std::string("X   ") + " r5 " + "\x1A").Bytes(),
                {"r1", "r2", "r3"},
                3,
                "2 record slots behind the table's end (after record 3) were not read"},
        EndCase{"AppendedRecordsAreRead", Three(" r4 *r5  r6 \x1A").Bytes(), {"r1", "r2", "r3", "r4", "r6"}, 6, ""},
        EndCase{"HeaderCountingMoreThanTheFileHolds", Three("\x1A", 10).Bytes(), {"r1", "r2", "r3"}, 3, ""},
        EndCase{"PartOfASlotIsNoSlot", Three(" r4", 3).Bytes(), {"r1", "r2", "r3"}, 3, ""},
        EndCase{"NegativeHeaderCount",
                Three(" r4 " + std::string(4, '\0'), -5).Bytes(),
                {"r1", "r2", "r3", "r4"},
                4,
                "1 record slot behind the table's end (after record 4) was not read"},
        EndCase{"WithinTheCountAnyFirstByteIsARecord",
                TableBuilder().Field("A", 'C', 3).RawRecord("r1 ", '\x1A').RawRecord("r2 ", '\0').Record({"r3"}).Bytes(),
                {"r1", "r2", "r3"},
                3,
                ""},
        // Records of one byte, the flag alone: the end-of-file marker behind the count is no
        // record, and a final marker is not counted as a slot.
        EndCase{"RecordLengthOne",
                TableBuilder().Field("A", 'C', 0).RawRecord("").RawRecord("", '*').RawRecord("").Bytes(),
                {"", ""},
                3,
                ""},
        EndCase{"RecordLengthOneWithMoreBehind",
                TableBuilder().Field("A", 'C', 0).RawRecord("").HeaderRecordCount(1).Trailer(" *\x1A\x1A").Bytes(),
                {"", ""},
                3,
                "1 record slot behind the table's end (after record 3) was not read"}),
    [](const ::testing::TestParamInfo<EndCase>& param) { return param.param.name; });

// Fields that need more bytes than the header's record length.
TEST(RecordLength, TheFileSizeDecidesWhetherTheFieldsLengthIsUsed) {
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<std::string> rows;
        std::string message;  // the note or warning, "" for none
    };
    // Fields of 3 and 2 bytes need records of 6; the header is made to say 5.
    auto fields = [](int records) {
        TableBuilder b;
        b.Field("A", 'C', 3).Field("B", 'C', 2);
        for (int i = 1; i <= records; ++i) b.Record({"a" + std::to_string(i), "b" + std::to_string(i)});
        std::string bytes = b.Bytes();
        bytes.replace(10, 2, test::Le16(5));
        return bytes;
    };
    const std::vector<Case> cases = {
        {"confirmed",
         fields(3),
         {"a1", "a2", "a3"},
         "note: the header's record length is 5 bytes, but the fields take 6 and the file's size confirms them; records "
         "were read at 6 bytes"},
        // 30 bytes of records are five of the header's length and five of the fields': the
        // header's length stays, and the fields run past it.
        {"both lengths fit",
         fields(5),
         {"a1", " a2", "2 a", "b3", " b4"},
         "warning: the fields take 6 bytes, more than the header's record length of 5; values past a record's end are cut"},
        {"larger than the fields need",
         TableBuilder().Field("A", 'C', 3).Field("B", 'C', 2).RecordSize(8).Record({"a1", "b1"}).Record({"a2", "b2"}).Bytes(),
         {"a1", "a2"},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string& bytes = c.bytes;
        const std::string path = dir.Write("t.dbf", bytes);
        for (const char* mode : {"--read-only", "--fix-header", "--exclusive"}) {
            const test::CliResult r = test::RunDbf2xml({mode, "-o", dir.Path("t.xml"), path});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(ColumnA(dir.Read("t.xml")), c.rows) << mode;
            EXPECT_EQ(r.err.find("dbf2xml: " + path + ": " + c.message + "\n") == 0, !c.message.empty()) << r.err;
            // The record length in the header is never written.
            EXPECT_EQ(dir.Read("t.dbf").substr(10, 2), bytes.substr(10, 2));
        }
        // A warning fails the table under --strict, a note does not.
        const bool warning = c.message.starts_with("warning");
        EXPECT_EQ(test::RunDbf2xml({"--strict", "-q", "-o", dir.Path("s.xml"), path}).status, warning ? 1 : 0);
        EXPECT_EQ(test::RunDbf2xml({"-q", "-o", dir.Path("q.xml"), path}).err,
                  warning ? "dbf2xml: " + path + ": " + c.message + "\n" : "");
    }
}

}  // namespace
}  // namespace korvane::cli
