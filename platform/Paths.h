// Path handling. Paths are UTF-8 inside the program. On Linux '/' separates and a full path
// starts with '/'; on Windows a backslash and '/' both separate, and a full path starts with a
// drive ("C:" and a separator) or two separators (a share, or the long-path form).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ByteFile.h"

namespace korvane::platform {

#ifdef _WIN32
constexpr char kPathDelim = '\\';
constexpr std::string_view kPathDelims = "\\/";
// The longest path the system takes (32767 UTF-16 units in the long-path form), in bytes.
constexpr std::size_t kMaxPath = 32767;
constexpr bool kNamesIgnoreCase = true;  // "A.DBT" and "a.dbt" are one file
#else
constexpr bool kNamesIgnoreCase = false;
constexpr char kPathDelim = '/';
constexpr std::string_view kPathDelims = "/";
constexpr std::size_t kMaxPath = 4096;  // PATH_MAX
#endif
constexpr bool IsPathDelimiter(char c) {
    return kPathDelims.find(c) != std::string_view::npos;
}

bool IsFullFilePath(const std::string& path);
// The working folder.
std::string WorkingFolder();
// The folder for temporary files: $TMPDIR or /tmp on Linux, the user's on Windows (GetTempPathW).
std::string TemporaryFolder();
// Makes a relative path absolute by putting the current directory in front; nothing else
// is changed ("." and ".." are the system's to resolve).
std::string ExpandFileName(const std::string& path);
// The path as the system resolves it (links, "." and "..") when it exists, else as given.
std::string ResolvedPath(const std::string& path);
// `path` when it is full, else `base` (expanded) followed by `path`; a non-empty result
// ends with a separator.
std::string GetCompletePath(const std::string& base, const std::string& path);
std::string IncludeTrailingPathDelimiter(const std::string& path);
// Everything up to and including the last separator.
std::string ExtractFilePath(const std::string& path);
// The text after the last separator.
std::string ExtractFileName(const std::string& path);
// Replaces the extension (from the last '.' with no '/' after it) by `extension`,
// or appends it when there is none.
std::string ChangeFileExt(const std::string& path, const std::string& extension);
// A name with its ASCII capitals made small, as file names are compared without regard to case.
std::string AsciiLowerCase(std::string name);
// The path without "." and ".." as text (no link is followed) and with the system's separator.
std::string LexicallyNormal(const std::string& path);
// The directory of the running executable, with a trailing separator.
std::string DbfBasePath();

// Finds a companion file (memo, index) of a table: the exact name when it exists, else the
// entry of the same folder whose name equals it without regard to ASCII letter case (the
// smallest in byte order when several do). Returns the exact name when nothing matches.
std::string FindCompanionFile(IFileSystem& files, const std::string& exactPath);
std::string FindCompanionFile(const std::string& exactPath);
// The search itself, as IFileSystem::Companion does it by default (empty when there is none).
std::string SearchCompanionFile(IFileSystem& files, const std::string& exactPath);

}  // namespace korvane::platform
