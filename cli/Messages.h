// The texts the command line says: paths as it shows them, counts, rates, and its warnings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "conversion/ConversionReport.h"
#include "platform/Exception.h"

namespace korvane::cli {

inline constexpr const char* kNeverWritesHint = " (the default mode never writes the table)";
inline constexpr const char* kStandardOutputName = "standard output";

// A path or message as a terminal may show it: line ends, tabs, every other C0 or C1 control
// character and DEL escaped (\n, \r, \t, \xHH), a backslash doubled.
std::string EscapeControls(std::string_view text);
// A path as messages show it: resolved by the system where it exists, escaped.
std::string Shown(const std::string& path);
// A path as a message shows a file named by it, a link not resolved: its folder resolved.
std::string ShownAsNamed(const std::string& path);
// "1 row", "2 rows".
std::string Plural(long long n, const char* one, const char* many);
std::string Seconds(double s);
// Bytes per second in MB/s (10^6 bytes).
std::string Rate(std::uint64_t bytes, double seconds);
// Whether the reader's open failure names the file itself ("Cannot open file "...").
bool IsOpenFailureWithPath(const std::string& message);
// What a failure of the system said, in the command line's words ("No such folder", "Is a
// folder", "Read-only file system", "Broken pipe", ...).
std::string SystemReason(int errnoValue);
// The message of a failed write of the target: the system's reason in place of the general
// text of its code, what follows that text kept ("; the target is unchanged").
std::string TargetFailure(const EInOutError& e);
// Fields that need more bytes than the header's record length, read at the fields' length.
std::string RecordLengthNote(const ConversionReport& r);
// The same where the file's size does not confirm the fields.
std::string RecordLengthWarning(const ConversionReport& r);
// A .cpg file beside the table that names no code page, with the start of its first line.
std::string CodePageFileWarning(const ConversionReport& r);
// Values of one kind that were not what their field says, the first of them named.
std::string ValueWarning(ValueProblem problem, const ValueIssue& issue);

}  // namespace korvane::cli
