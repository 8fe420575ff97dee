// The record walk: physical order, deleted records, EOF and BOF, growth during the walk.
#include <gtest/gtest.h>

#include <fstream>

#include "dbf/Dbf.h"
#include "fields/DatabaseError.h"
#include "platform/Unicode.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::dbf {
namespace {

using test::TableBuilder;
using test::TempDir;

std::vector<std::string> Walk(TDbf& table, std::vector<int>* recNos = nullptr) {
    std::vector<std::string> values;
    while (!table.Eof()) {
        values.push_back(platform::Utf16ToUtf8(table.Fields()[0]->AsString()));
        if (recNos) recNos->push_back(table.RecNo());
        table.Next();
    }
    return values;
}

std::string FiveRecords() {
    return TableBuilder()
        .Field("A", 'C', 2)
        .Record({"1"})
        .Record({"2"}, true)
        .Record({"3"})
        .Record({"4"})
        .Record({"5"}, true)
        .Bytes();
}

TEST(RecordCursor, SkipsDeletedRecordsAndCountsThem) {
    TempDir dir;
    TDbf table;
    table.SetTableName(dir.Write("t.dbf", FiveRecords()));
    table.Open();
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.RecordCount(), 5);
    std::vector<int> recNos;
    EXPECT_EQ(Walk(table, &recNos), (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(recNos, (std::vector<int>{1, 3, 4}));
    EXPECT_TRUE(table.Eof());
    // The last record stays current after the end.
    EXPECT_EQ(table.Fields()[0]->AsString(), u"4");
    table.Next();
    EXPECT_TRUE(table.Eof());
}

TEST(RecordCursor, ShowDeletedDeliversEveryRecord) {
    TempDir dir;
    TDbf table;
    table.ShowDeleted = true;
    table.SetTableName(dir.Write("t.dbf", FiveRecords()));
    table.Open();
    EXPECT_EQ(Walk(table), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}

TEST(RecordCursor, EmptyAndAllDeletedTablesStartAtTheEnd) {
    for (const std::string& bytes : {TableBuilder().Field("A", 'C', 2).Bytes(),
                                     TableBuilder().Field("A", 'C', 2).Record({"1"}, true).Record({"2"}, true).Bytes()}) {
        TempDir dir;
        TDbf table;
        table.SetTableName(dir.Write("t.dbf", bytes));
        table.Open();
        EXPECT_TRUE(table.Eof());
        EXPECT_TRUE(table.Bof());
        EXPECT_EQ(table.Fields()[0]->AsString(), u"");
    }
}

TEST(RecordCursor, AnyFlagButAsteriskIsLive) {
    TempDir dir;
    TDbf table;
    table.SetTableName(dir.Write("t.dbf", TableBuilder().Field("A", 'C', 1).RawRecord("a", '\0').RawRecord("b", '\x1A').Bytes()));
    table.Open();
    EXPECT_EQ(Walk(table), (std::vector<std::string>{"a", "b"}));
}

TEST(RecordCursor, RecordsAppendedDuringTheWalkAreWalked) {
    TempDir dir;
    const std::string path =
        dir.Write("t.dbf", TableBuilder().Field("A", 'C', 2).Record({"1"}).Record({"2"}).Trailer("").Bytes());
    TDbf table;
    table.SetTableName(path);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 2);
    table.Next();
    {
        std::ofstream append(path, std::ios::binary | std::ios::app);
        append << " 3  4 ";
    }
    std::vector<std::string> rest = Walk(table);
    EXPECT_EQ(rest, (std::vector<std::string>{"2", "3", "4"}));
}

TEST(RecordCursor, NextOnAClosedTableFails) {
    TDbf table;
    EXPECT_THROW(table.Next(), EDatabaseError);
}

}  // namespace
}  // namespace korvane::dbf
