#include "platform/Paths.h"

#include <filesystem>
#include <vector>

#include "platform/File.h"

namespace korvane::platform {

std::string IncludeTrailingPathDelimiter(const std::string& path) {
    if (!path.empty() && IsPathDelimiter(path.back())) return path;
    return path + kPathDelim;
}

std::string ExpandFileName(const std::string& path) {
    // Only the working folder is put in front: ".", ".." and links are left to the system,
    // which resolves ".." after following a link, so no text rule can fold it.
    if (IsFullFilePath(path)) return path;
    return IncludeTrailingPathDelimiter(WorkingFolder()) + path;
}

std::string LexicallyNormal(const std::string& path) {
    // Through the UTF-8 form, so that no name passes the system's 8-bit code page.
    const std::u8string normal = std::filesystem::path(std::u8string(path.begin(), path.end())).lexically_normal().u8string();
    return std::string(normal.begin(), normal.end());
}

std::string ResolvedPath(const std::string& path) {
    const std::string resolved = RealPath(path);
    return resolved.empty() ? path : resolved;
}

std::string GetCompletePath(const std::string& base, const std::string& path) {
    std::string result;
    if (IsFullFilePath(path))
        result = path;
    else if (base.empty())
        result = ExpandFileName(path);
    else
        result = ExpandFileName(IncludeTrailingPathDelimiter(base)) + path;
    if (!result.empty()) result = IncludeTrailingPathDelimiter(result);
    return result;
}

std::string ExtractFilePath(const std::string& path) {
    const auto slash = path.find_last_of(kPathDelims);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
    const auto slash = path.find_last_of(kPathDelims);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of(kPathDelims);
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return path + extension;
    return path.substr(0, dot) + extension;
}

namespace {
bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}
}  // namespace

std::string AsciiLowerCase(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

std::string FindCompanionFile(IFileSystem& files, const std::string& exactPath) {
    const std::string found = files.Companion(exactPath);
    return found.empty() ? exactPath : found;
}

std::string SearchCompanionFile(IFileSystem& files, const std::string& exactPath) {
    // Where the system ignores letter case (Windows) the name exists in any case: the folder
    // tells which name the file has.
    const bool exists = files.Status(exactPath).exists;
    if (exists && !(kNamesIgnoreCase && files.OfSystem())) return exactPath;
    const std::string dir = ExtractFilePath(exactPath);
    const std::string name = ExtractFileName(exactPath);
    std::string best;
    for (const std::string& entry : files.Entries(dir)) {
        if (entry == name) return exactPath;
        if (EqualsIgnoringAsciiCase(entry, name) && (best.empty() || entry < best) && files.Status(dir + entry).exists)
            best = entry;
    }
    return best.empty() ? (exists ? exactPath : std::string()) : dir + best;
}

std::string FindCompanionFile(const std::string& exactPath) {
    return FindCompanionFile(SystemFiles(), exactPath);
}

}  // namespace korvane::platform
