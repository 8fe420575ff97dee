#include "cli/Arguments.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "cli/Cli.h"
#include "cli/Messages.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "platform/TextDecoder.h"

namespace korvane::cli {

int Usage(std::ostream& err, const std::string& problem) {
    err << "dbf2xml: " << problem << "\nTry 'dbf2xml --help' for more information.\n";
    return 2;
}

std::string UsageText() {
    return "Usage: dbf2xml [--read-only | --fix-header | --exclusive] [--code-page=WHICH] [--typed] [--strict]\n"
           "               [-q] [-r] [-j N] [-o OUT | -o - | --output-dir=DIR] [--] TABLE|FOLDER...\n"
           "Converts dBase and FoxPro tables (.dbf with .dbt or .fpt memos) to XML.\n"
           "\n"
           "  -o OUT        write the document of the single TABLE to OUT ('-': standard output);\n"
           "                without it each TABLE goes to its own name with the extension .xml\n"
           "  FOLDER        every table directly in it (.dbf in any letter case, links to tables\n"
           "                included), in the byte order of their paths; a link given as an\n"
           "                argument is followed\n"
           "  -r, --recursive  a FOLDER's whole tree (links to folders inside it are not followed)\n"
           "  --output-dir=DIR  each document under DIR: a TABLE given directly as DIR/NAME.xml, a\n"
           "                table of a FOLDER at the same relative path under DIR (folders are\n"
           "                made as needed)\n"
           "  -j N, --jobs=N  convert up to N tables at the same time (0: one per processor);\n"
           "                documents, messages and their order are those of -j 1\n"
           "  --read-only   only read the tables (the default: a table is never written)\n"
           "  --fix-header  open each table as the window does: for reading and writing, and a\n"
           "                header that disagrees with the file is corrected on disk\n"
           "  --exclusive   lock each table against other programs while it is converted, and\n"
           "                correct its header as --fix-header does\n"
           "  --code-page=WHICH\n"
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
           "An option's value is the next argument or attached to it: --jobs=4 or --jobs 4, -j4\n"
           "or -j 4, -oOUT or -o OUT (-o=X is the file '=X'); short options without a value may\n"
           "be bundled (-rq). An option given twice must say the same both times (d/ is d).\n"
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

namespace {

// The options: a long name, a short letter, or both; whether it takes a value.
struct OptionSpec {
    std::string_view longName;  // empty: none
    char shortName;             // 0: none
    bool takesValue;
};
constexpr OptionSpec kOptions[] = {
    {"read-only", 0, false}, {"fix-header", 0, false}, {"exclusive", 0, false},   {"code-page", 0, true}, {"typed", 0, false},
    {"strict", 0, false},    {"quiet", 'q', false},    {"recursive", 'r', false}, {"jobs", 'j', true},    {"output-dir", 0, true},
    {"", 'o', true},         {"help", 'h', false},     {"version", 0, false},
};

const OptionSpec* LongOption(std::string_view name) {
    for (const OptionSpec& o : kOptions)
        if (!o.longName.empty() && o.longName == name) return &o;
    return nullptr;
}
const OptionSpec* ShortOption(char letter) {
    for (const OptionSpec& o : kOptions)
        if (o.shortName == letter) return &o;
    return nullptr;
}

// A path as an option's values are compared: absolute, without "." and ".." and without a
// trailing slash, so that `d/` and `./d` are `d`.
std::string Normalised(const std::string& path) {
    std::string full = platform::LexicallyNormal(platform::ExpandFileName(path));
    while (full.size() > 1 && platform::IsPathDelimiter(full.back())) full.pop_back();
    return full;
}

}  // namespace

int ParseArguments(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, Arguments& a) {
    // Without options the table is only read; --fix-header is the window's mode.
    a.options.readOnly = true;
    a.options.readAhead = true;
    std::string mode;  // the mode option given, if any
    auto usage = [&](const std::string& problem) { return Usage(err, problem); };
    // An option given again must say the same, as the values are meant (`d/` is `d`, `-j 02`
    // is `-j 2`, `--code-page CP1251` is `--code-page 1251`).
    struct Given {
        std::string text;  // as first given
        std::string meant;
    };
    std::map<std::string_view, Given> given;
    auto same = [&](const OptionSpec& o, const std::string& name, const std::string& text, const std::string& meant) {
        const std::string_view key = o.longName.empty() ? std::string_view(&o.shortName, 1) : o.longName;
        const auto [at, first] = given.try_emplace(key, Given{text, meant});
        if (first || at->second.meant == meant) return -1;
        return usage(name + " given twice, as '" + EscapeControls(at->second.text) + "' and as '" + EscapeControls(text) + "'");
    };
    // Takes option `o` as `name` (as spelled) with its value, if it has one; -1 to go on.
    auto take = [&](const OptionSpec& o, const std::string& name, const std::string* value) -> int {
        const std::string_view option = o.longName.empty() ? std::string_view("o") : o.longName;
        if (option == "help") {
            out << UsageText();
            return 0;
        }
        if (option == "version") {
            out << kVersionText << "\n";
            return 0;
        }
        if (option == "read-only" || option == "fix-header" || option == "exclusive") {
            if (!mode.empty() && mode != name) return usage("--read-only, --fix-header and --exclusive exclude each other");
            mode = name;
            if (option == "read-only") return -1;
            a.options = ConversionOptions{};
            a.options.exclusive = option == "exclusive";
            a.writesTable = true;
        } else if (option == "typed") {
            a.typed = true;
        } else if (option == "strict") {
            a.strict = true;
        } else if (option == "quiet") {
            a.quiet = true;
        } else if (option == "recursive") {
            a.recursive = true;
        } else if (option == "code-page") {
            if (!value) return usage(name + " needs 'table' or a code page number");
            CodePageRequest request;
            if (*value == "table") {
                request.fromTable = true;
            } else {
                request.number = ParseCodePageName(*value);
                if (request.number == 0 || !platform::TextDecoder::For(request.number))
                    return usage(name + " " + EscapeControls(*value) + ": not a code page Korvane can decode");
            }
            const std::string meant = request.fromTable ? "table" : std::to_string(request.number);
            if (const int status = same(o, name, *value, meant); status >= 0) return status;
            a.codePage = request;
        } else if (option == "jobs") {
            if (!value || value->empty() || value->size() > 4 || value->find_first_not_of("0123456789") != std::string::npos)
                return usage(name + " needs a number of tables to convert at the same time");
            const int jobs = std::stoi(*value);
            if (const int status = same(o, name, *value, std::to_string(jobs)); status >= 0) return status;
            a.jobs = jobs == 0 ? static_cast<int>(platform::UsableProcessors()) : jobs;
        } else if (option == "output-dir") {
            if (!value || value->empty()) return usage(name + " needs a folder");
            if (const int status = same(o, name, *value, Normalised(*value)); status >= 0) return status;
            if (a.outputDir.empty()) a.outputDir = *value;
        } else {  // -o
            if (!value || value->empty()) return usage("-o needs a file name");
            if (const int status = same(o, name, *value, *value == "-" ? *value : Normalised(*value)); status >= 0) return status;
            if (!a.haveTarget) a.target = *value;
            a.haveTarget = true;
        }
        return -1;
    };
    bool onlyTables = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // An empty argument (an unset shell variable) never stands for the working folder.
        if (arg.empty()) return usage("'': no such table or folder");
        if (onlyTables || arg[0] != '-' || arg == "-") {
            a.tables.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyTables = true;
            continue;
        }
        int status = -1;
        if (arg.starts_with("--")) {
            // --name, --name=value, or --name and the value as the next argument.
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            const OptionSpec* o = LongOption(std::string_view(name).substr(2));
            if (!o) return usage("unknown option " + EscapeControls(name));
            std::string value;
            bool hasValue = equals != std::string::npos;
            if (hasValue && !o->takesValue) return usage(name + " takes no value");
            if (hasValue)
                value = arg.substr(equals + 1);
            else if (o->takesValue && i + 1 < args.size())
                value = args[++i], hasValue = true;
            status = take(*o, name, hasValue ? &value : nullptr);
        } else {
            // Short options, bundled (-rq); one that takes a value takes the rest of the
            // argument (-j4, -oX.xml, -o=X is the file "=X"), else the next argument.
            for (std::size_t k = 1; k < arg.size() && status < 0; ++k) {
                const OptionSpec* o = ShortOption(arg[k]);
                const std::string name = std::string("-") + arg[k];
                if (!o) return usage("unknown option " + EscapeControls(name));
                if (!o->takesValue) {
                    status = take(*o, name, nullptr);
                    continue;
                }
                std::string value;
                bool hasValue = true;
                if (k + 1 < arg.size())
                    value = arg.substr(k + 1);
                else if (i + 1 < args.size())
                    value = args[++i];
                else
                    hasValue = false;
                status = take(*o, name, hasValue ? &value : nullptr);
                break;
            }
        }
        if (status >= 0) return status;
    }
    if (a.tables.empty()) return usage("no table given");
    if (a.haveTarget && !a.outputDir.empty()) return usage("-o and --output-dir exclude each other");
    return -1;
}

}  // namespace korvane::cli
