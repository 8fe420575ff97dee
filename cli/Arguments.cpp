#include "cli/Arguments.h"

#include <sched.h>

#include <algorithm>

#include "cli/Cli.h"
#include "cli/Messages.h"
#include "platform/TextDecoder.h"

namespace korvane::cli {

namespace {

// The processors this process may run on.
int UsableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
    return std::max(1, CPU_COUNT(&set));
}

}  // namespace

int Usage(std::ostream& err, const std::string& problem) {
    err << "dbf2xml: " << problem << "\nTry 'dbf2xml --help' for more information.\n";
    return 2;
}

std::string UsageText() {
    return "Usage: dbf2xml [--read-only | --fix-header | --exclusive] [--code-page WHICH] [--typed] [--strict]\n"
           "               [-q] [-r] [-j N] [-o OUT | -o - | --output-dir DIR] [--] TABLE|FOLDER...\n"
           "Converts dBase and FoxPro tables (.dbf with .dbt or .fpt memos) to XML.\n"
           "\n"
           "  -o OUT        write the document of the single TABLE to OUT ('-': standard output);\n"
           "                without it each TABLE goes to its own name with the extension .xml\n"
           "  FOLDER        every table directly in it (.dbf in any letter case, links to tables\n"
           "                included), in the byte order of their paths; a link given as an\n"
           "                argument is followed\n"
           "  -r, --recursive  a FOLDER's whole tree (links to folders inside it are not followed)\n"
           "  --output-dir DIR  each document under DIR: a TABLE given directly as DIR/NAME.xml, a\n"
           "                table of a FOLDER at the same relative path under DIR (folders are\n"
           "                made as needed)\n"
           "  -j N, --jobs N  convert up to N tables at the same time (0: one per processor);\n"
           "                documents, messages and their order are those of -j 1\n"
           "  --read-only   only read the tables (the default: a table is never written)\n"
           "  --fix-header  open each table as the window does: for reading and writing, and a\n"
           "                header that disagrees with the file is corrected on disk\n"
           "  --exclusive   lock each table against other programs while it is converted, and\n"
           "                correct its header as --fix-header does\n"
           "  --code-page WHICH\n"
           "                read character values, memos and field names in a code page, without\n"
           "                the code page 852 repair: 'table' for the one the table declares (a .cpg\n"
           "                file beside it that names one, else its language driver, else\n"
           "                Windows-1250; a .cpg that names none is warned of), or a number such as\n"
           "                1251, 437, 936, 65001 (UTF-8), 895 (Kamenický) or 620 (Mazovia); for\n"
           "                tables that are not Czech, Czech tables stored in Windows-1250 or\n"
           "                Kamenický, and Polish tables in Mazovia; without it a note is given\n"
           "                when a table declares a code page other than 1250 and 852 and its text\n"
           "                has bytes above 0x7F, or declares none and its text is UTF-8\n"
           "  --typed       write a typed document: an inline XML Schema that validates it, and\n"
           "                values in XML Schema's forms (1234.5, 2024-02-29, true, base64) rather\n"
           "                than the regional ones; fields without a value are left out, binary\n"
           "                memos are base64, and each field's own name is kept in the schema\n"
           "  --strict      a warning fails the table: no document is written (a missing memo\n"
           "                file, fields that do not fit the record, a table that became shorter\n"
           "                during the conversion, time stamps that could not be read, dates,\n"
           "                numbers and logicals that are not what their field says, a .cpg that\n"
           "                names no code page, a table whose file holds fewer records than its\n"
           "                header says, memos that run past the end of the memo file)\n"
           "  -q, --quiet   no progress line, no summary and no notes (warnings and errors\n"
           "                still show)\n"
           "  -h, --help    show this text\n"
           "  --version     show the version\n"
           "  --            every argument after it is a table, also one that starts with '-'\n"
           "\n"
           "No target is touched before its document is finished and on the disk: a new file or\n"
           "a file with one name is replaced by rename, a file with several names or in a folder\n"
           "that takes no new file is overwritten in place from a finished copy (one run at a time,\n"
           "its room reserved first; the copy kept and named should the overwriting fail), devices,\n"
           "pipes and standard output are written as streams (a failed stream gets no closing\n"
           "tag). A run that fails or is interrupted leaves an earlier file of that name as it\n"
           "was. No target may be a file a table of the run is read from, nor have the name of a\n"
           "table's file (.dbf, .dbt, .fpt, .cpg, .mdx, .cdx and the like).\n"
           "\n"
           "Examples: dbf2xml --code-page table mesta.dbf   (a Cyrillic table with driver 0xC9)\n"
           "          dbf2xml -r -j 0 --output-dir out data  (data/2019/faktury.dbf to out/2019/faktury.xml)\n"
           "          dbf2xml --typed -o cenik.xml cenik.dbf (a document its own schema validates)\n"
           "\n"
           "Exit status: 0 when every table was converted, 1 when any table failed (each failure\n"
           "is told on standard error), 2 when the arguments were not understood.\n";
}

int ParseArguments(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, Arguments& a) {
    // Without options the table is only read; --fix-header is the window's mode.
    a.options.readOnly = true;
    a.options.readAhead = true;
    std::string mode;  // the mode option given, if any
    std::string codePageText;
    auto usage = [&](const std::string& problem) { return Usage(err, problem); };
    // An option given again must say the same.
    auto again = [&](const std::string& option, const std::string& before, const std::string& now) {
        return usage(option + " given twice, as '" + EscapeControls(before) + "' and as '" + EscapeControls(now) + "'");
    };
    bool onlyTables = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // An empty argument (an unset shell variable) never stands for the working folder.
        if (arg.empty()) return usage("'': no such table or folder");
        if (onlyTables || arg[0] != '-' || arg == "-") {
            a.tables.push_back(arg);
        } else if (arg == "--") {
            onlyTables = true;
        } else if (arg == "--help" || arg == "-h") {
            out << UsageText();
            return 0;
        } else if (arg == "--version") {
            out << kVersionText << "\n";
            return 0;
        } else if (arg == "--read-only" || arg == "--fix-header" || arg == "--exclusive") {
            if (!mode.empty() && mode != arg) return usage("--read-only, --fix-header and --exclusive exclude each other");
            mode = arg;
            if (arg == "--read-only") continue;
            a.options = ConversionOptions{};
            a.options.exclusive = arg == "--exclusive";
            a.writesTable = true;
        } else if (arg == "--code-page") {
            if (i + 1 >= args.size()) return usage("--code-page needs 'table' or a code page number");
            const std::string which = args[++i];
            if (!codePageText.empty() && codePageText != which) return again("--code-page", codePageText, which);
            codePageText = which;
            if (which == "table") {
                a.codePage.fromTable = true;
            } else {
                a.codePage.number = ParseCodePageName(which);
                if (a.codePage.number == 0 || !platform::TextDecoder::For(a.codePage.number))
                    return usage("--code-page " + EscapeControls(which) + ": not a code page Korvane can decode");
            }
        } else if (arg == "--typed") {
            a.typed = true;
        } else if (arg == "--strict") {
            a.strict = true;
        } else if (arg == "-q" || arg == "--quiet") {
            a.quiet = true;
        } else if (arg == "-j" || arg == "--jobs") {
            const std::string count = i + 1 < args.size() ? args[i + 1] : "";
            if (count.empty() || count.size() > 4 || count.find_first_not_of("0123456789") != std::string::npos)
                return usage(arg + " needs a number of tables to convert at the same time");
            a.jobs = std::stoi(args[++i]);
            if (a.jobs == 0) a.jobs = UsableProcessors();
        } else if (arg == "-r" || arg == "--recursive") {
            a.recursive = true;
        } else if (arg == "--output-dir") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return usage("--output-dir needs a folder");
            if (!a.outputDir.empty() && a.outputDir != args[i + 1]) return again("--output-dir", a.outputDir, args[i + 1]);
            a.outputDir = args[++i];
        } else if (arg == "-o") {
            if (i + 1 >= args.size()) return usage("-o needs a file name");
            if (a.haveTarget && a.target != args[i + 1]) return again("-o", a.target, args[i + 1]);
            a.target = args[++i];
            a.haveTarget = true;
        } else {
            return usage("unknown option " + EscapeControls(arg));
        }
    }
    if (a.tables.empty()) return usage("no table given");
    if (a.haveTarget && !a.outputDir.empty()) return usage("-o and --output-dir exclude each other");
    if (a.haveTarget && a.target.empty()) return usage("-o needs a file name");
    return -1;
}

}  // namespace korvane::cli
