// The run's plan, decided before anything converts: which tables are set aside and why.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/RunPlan.h"
#include "tests/support/TableBuilder.h"
#include "tests/support/TestSupport.h"

namespace korvane::cli {
namespace {

using test::TempDir;

TEST(RunPlan, RefusalsAreDecidedWithoutConverting) {
    TempDir dir;
    const std::string table = test::TableBuilder().Field("X", 'C', 2).Record({"a"}).Bytes();
    const std::string a = dir.Write("a.dbf", table), b = dir.Write("b.dbf", table), c = dir.Write("c.dbf", table);
    dir.Write("b.dbt", "memo");
    struct Case {
        const char* what;
        std::vector<Job> jobs;
        std::vector<bool> refused;
        std::string said;  // the start of the first refusal
    };
    const std::vector<Case> cases = {
        {"each beside its table", {{a, a, dir.Path("a.xml")}, {b, b, dir.Path("b.xml")}}, {false, false}, ""},
        {"a target that is another table's memo",
         {{a, a, dir.Path("b.dbt")}, {b, b, dir.Path("b.xml")}},
         {true, false},
         "dbf2xml: " + a + ": not converted: its target " + dir.Path("b.dbt") +
             " is a memo, index or code page file of this run"},
        {"two tables, one target",
         {{a, a, dir.Path("x.xml")}, {c, c, dir.Path("x.xml")}},
         {false, true},
         "dbf2xml: " + c + ": not converted: its target " + dir.Path("x.xml") + " is the target of " + a + " too"},
        {"a table file's name",
         {{a, a, dir.Path("new.CDX")}},
         {true},
         "dbf2xml: " + a + ": not converted: its target " + dir.Path("new.CDX") + " has the name of a table's file"},
    };
    for (const Case& k : cases) {
        const Plan plan = PlanRun(Arguments{}, k.jobs);
        ASSERT_EQ(plan.refusals.size(), k.jobs.size()) << k.what;
        std::string first;
        for (std::size_t t = 0; t < k.jobs.size(); ++t) {
            EXPECT_EQ(!plan.refusals[t].empty(), k.refused[t]) << k.what << ", table " << t;
            if (first.empty()) first = plan.refusals[t];
        }
        EXPECT_TRUE(first.starts_with(k.said)) << k.what << ": " << first;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("a.xml")));  // nothing was converted
}

// Files in memory that count what is asked of them.
class CountedFiles : public platform::MemoryFileSystem {
public:
    platform::PathStatus Status(const std::string& path) override {
        ++statuses;
        return MemoryFileSystem::Status(path);
    }
    std::vector<std::string> Entries(const std::string& folder) override {
        ++listings;
        return MemoryFileSystem::Entries(folder);
    }
    int statuses = 0;
    int listings = 0;
};

// Planning is linear in the tables: each table, each companion it has and each target is
// looked at once, and a folder is listed once, however many tables are in it.
TEST(RunPlan, EachFileIsLookedAtOnce) {
    for (const int count : {500, 5000}) {
        CountedFiles counted;
        std::vector<Job> jobs;
        for (int t = 0; t < count; ++t) {
            const std::string name = "/archive/t" + std::to_string(t);
            counted.Put(name + ".dbf", {0x03});
            if (t % 10 == 0) counted.Put(name + ".DBT", {0});  // a memo in another letter case
            jobs.push_back({name + ".dbf", name + ".dbf", name + ".xml"});
        }
        platform::ListedOnce files(counted);
        const Plan plan = PlanRun(Arguments{}, jobs, files);
        EXPECT_EQ(plan.claimed.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(counted.statuses, count + count / 10 + count) << count;
        EXPECT_EQ(counted.listings, 1) << count;
    }
}

}  // namespace
}  // namespace korvane::cli
