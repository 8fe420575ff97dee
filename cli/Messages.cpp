#include "cli/Messages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "conversion/ConversionTexts.h"
#include "conversion/TextFile.h"
#include "platform/File.h"
#include "platform/OsError.h"
#include "platform/Paths.h"

namespace korvane::cli {

std::string Plural(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

std::string ShownAsNamed(const std::string& path) {
    // The folder resolved where it exists (a ".." after a link is the system's), and the whole
    // path absolute, without "." and "..", in any case.
    const std::string full = platform::ExpandFileName(path);
    const std::string folder = platform::RealPath(platform::ExtractFilePath(full));
    const std::string shown = folder.empty() ? platform::LexicallyNormal(full)
                                             : platform::IncludeTrailingPathDelimiter(folder) + platform::ExtractFileName(full);
    return EscapeControls(shown);
}

std::string Shown(const std::string& path) {
    const std::string resolved = platform::RealPath(path);
    return resolved.empty() ? ShownAsNamed(path) : EscapeControls(resolved);
}

std::string Rate(std::uint64_t bytes, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB/s", static_cast<double>(bytes) / 1e6 / std::max(seconds, 1e-6));
    return text;
}

std::string SystemReason(int errnoValue) {
    switch (errnoValue) {
        case ENOENT:
        case ENOTDIR:
            return "No such folder";  // a target's file is made: only its folder can be missing
        case EISDIR:
            return "Is a folder";
        case EROFS:
            return "Read-only file system";
        case ENAMETOOLONG:
            return "Name too long";
        case EPIPE:
            return "Broken pipe";
        case ELOOP:
            return "Too many levels of links";
        case EACCES:
        case EPERM:
            return "Permission denied";
        case ENOSPC:
        case platform::kErrnoQuotaExceeded:
            return "Disk full";
        case EFBIG:
            return "File too large";
        case EWOULDBLOCK:  // Windows: another program has the target open without sharing it
            return "Locked by another program";
        default:
            return platform::SystemErrorText(errnoValue);
    }
}

std::string TargetFailure(const EInOutError& e) {
    const std::string general = InOutErrorMessage(e.ErrorCode);
    if (e.ErrnoValue == 0 || !e.Message().starts_with(general)) return e.Message();
    // Code 3's text names the file, which the message names in front already.
    const std::string rest = e.ErrorCode == kIoInvalidFileName ? "" : e.Message().substr(general.size());
    return SystemReason(e.ErrnoValue) + rest;
}

bool IsOpenFailureWithPath(const std::string& message) {
    const std::string reader = message.substr(std::min(message.size(), std::string(texts::kOpenDbfPrefix).size()));
    return reader.starts_with("Open: file not found: \"") || reader.starts_with("Cannot open file \"");
}

// Fields that need more bytes than the header's record length, read at the fields' length.
std::string RecordLengthNote(const ConversionReport& r) {
    return "note: the header's record length is " + std::to_string(r.headerRecordLength) + " bytes, but the fields take " +
           std::to_string(r.fieldsRecordLength) + " and the file's size confirms them; records were read at " +
           std::to_string(r.fieldsRecordLength) + " bytes";
}

// The same where the file's size does not confirm the fields.
std::string RecordLengthWarning(const ConversionReport& r) {
    return "the fields take " + std::to_string(r.fieldsRecordLength) + " bytes, more than the header's record length of " +
           std::to_string(r.headerRecordLength) + "; values past a record's end are cut";
}

// A .cpg file beside the table that names no code page, with the start of its first line.
std::string CodePageFileWarning(const ConversionReport& r) {
    // Its controls are escaped with the rest of the message.
    const std::string& line = r.passedOverCodePageText;
    return "names no code page; the table's language driver is used (its first line: '" + line.substr(0, 40) +
           (line.size() > 40 ? "'...)" : "')");
}

// Values of one kind that were not what their field says, the first of them named.
std::string ValueWarning(ValueProblem problem, const ValueIssue& issue) {
    const bool one = issue.count == 1;
    std::string what, detail = issue.detail;
    switch (problem) {
        case ValueProblem::Unreadable:
            what = one ? "value could not be read and was left empty" : "values could not be read and were left empty";
            detail = issue.detail + " is not a valid timestamp";
            break;
        case ValueProblem::Date:
            what = one ? "date is not a valid date" : "dates are not valid dates";
            break;
        case ValueProblem::Number:
            what = one ? "number is not a valid number" : "numbers are not valid numbers";
            break;
        case ValueProblem::Logical:
            what = one ? "logical value is none of T, F, Y, N and ?" : "logical values are none of T, F, Y, N and ?";
            break;
        case ValueProblem::MemoCut:
            return std::to_string(issue.count) +
                   (one ? " memo value runs past the end of the memo file and was cut"
                        : " memo values run past the end of the memo file and were cut") +
                   " (first: record " + std::to_string(issue.record) + ", field " + issue.field + ", block " + issue.detail + ")";
    }
    return std::to_string(issue.count) + " " + what + " (first: record " + std::to_string(issue.record) + ", field " +
           issue.field + ": " + detail + ")";
}

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    auto hex = [&](unsigned value) {
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", value);
        out += code;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\' && platform::kPathDelim != '\\')  // on Windows it separates, in no name
            out += "\\\\";
        else if (c < 0x20 || c == 0x7F)
            hex(c);
        // A C1 control in UTF-8 (C2 80 to C2 9F), or a lone byte of that range.
        else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                 static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            hex(static_cast<unsigned char>(text[++i]));
        else if (c >= 0x80 && c <= 0x9F && (i == 0 || static_cast<unsigned char>(text[i - 1]) < 0xC0))
            hex(c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

}  // namespace korvane::cli
