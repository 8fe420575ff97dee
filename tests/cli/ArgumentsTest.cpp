// The option forms GNU tools accept, and an option given twice.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/Arguments.h"

namespace korvane::cli {
namespace {

struct Parsed {
    int status;
    std::string err;
    Arguments a;
};

Parsed Parse(const std::vector<std::string>& args) {
    Parsed p;
    std::ostringstream out, err;
    p.status = ParseArguments(args, out, err, p.a);
    p.err = err.str();
    return p;
}

// What the arguments came to, in one line: jobs, code page, output folder, target, quiet,
// recursive, tables.
std::string Summary(const Arguments& a) {
    std::string s = "j" + std::to_string(a.jobs) + " cp" + (a.codePage.fromTable ? "table" : std::to_string(a.codePage.number));
    s += " d" + a.outputDir + " o" + (a.haveTarget ? a.target : "") + (a.quiet ? " q" : "") + (a.recursive ? " r" : "");
    for (const std::string& t : a.tables) s += " " + t;
    return s;
}

TEST(Arguments, EveryOptionForm) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--jobs=3", "t"}, "j3 cp0 d o t"},
        {{"--jobs", "3", "t"}, "j3 cp0 d o t"},
        {{"-j3", "t"}, "j3 cp0 d o t"},
        {{"-j", "3", "t"}, "j3 cp0 d o t"},
        {{"--code-page=1251", "t"}, "j1 cp1251 d o t"},
        {{"--code-page", "table", "t"}, "j1 cptable d o t"},
        {{"--output-dir=out", "t"}, "j1 cp0 dout o t"},
        {{"--output-dir", "out", "t"}, "j1 cp0 dout o t"},
        {{"-oX.xml", "t"}, "j1 cp0 d oX.xml t"},
        {{"-o=X", "t"}, "j1 cp0 d o=X t"},
        {{"-o", "-", "t"}, "j1 cp0 d o- t"},
        {{"-rq", "t"}, "j1 cp0 d o q r t"},
        {{"-rqj2", "t"}, "j2 cp0 d o q r t"},
        {{"-qoX.xml", "t"}, "j1 cp0 d oX.xml q t"},
        {{"--quiet", "--recursive", "t"}, "j1 cp0 d o q r t"},
        {{"--", "-j2", "-"}, "j1 cp0 d o -j2 -"},
        // Given twice with the same meaning.
        {{"-j", "2", "--jobs=02", "t"}, "j2 cp0 d o t"},
        {{"--output-dir", "d", "--output-dir=d/", "t"}, "j1 cp0 dd o t"},
        {{"--code-page=1251", "--code-page", "CP1251", "t"}, "j1 cp1251 d o t"},
        {{"-o", "a.xml", "-o./a.xml", "t"}, "j1 cp0 d oa.xml t"},
    };
    for (const auto& [args, expected] : cases) {
        const Parsed p = Parse(args);
        EXPECT_EQ(p.status, -1) << args[0] << " " << p.err;
        EXPECT_EQ(Summary(p.a), expected) << args[0];
    }
}

TEST(Arguments, ProblemsAreUsageErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-j", "2", "-j", "3", "t"}, "-j given twice, as '2' and as '3'"},
        {{"--jobs=2", "-j3", "t"}, "-j given twice, as '2' and as '3'"},
        {{"--output-dir", "d", "--output-dir=e", "t"}, "--output-dir given twice, as 'd' and as 'e'"},
        {{"-oa.xml", "-o", "b.xml", "t"}, "-o given twice, as 'a.xml' and as 'b.xml'"},
        {{"--code-page=1251", "--code-page=table", "t"}, "--code-page given twice, as '1251' and as 'table'"},
        {{"--typed=yes", "t"}, "--typed takes no value"},
        {{"--jobs=", "t"}, "--jobs needs a number of tables to convert at the same time"},
        {{"-j"}, "-j needs a number of tables to convert at the same time"},
        {{"--output-dir="}, "--output-dir needs a folder"},
        {{"t", "-o"}, "-o needs a file name"},
        {{"-rx", "t"}, "unknown option -x"},
        {{"--jobz=2", "t"}, "unknown option --jobz"},
    };
    for (const auto& [args, expected] : cases) {
        const Parsed p = Parse(args);
        EXPECT_EQ(p.status, 2) << args[0];
        EXPECT_EQ(p.err, "dbf2xml: " + expected + "\nTry 'dbf2xml --help' for more information.\n") << args[0];
    }
}

}  // namespace
}  // namespace korvane::cli
