#include "cli/RunPlan.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <unordered_map>

#include "cli/Messages.h"
#include "conversion/TargetFile.h"
#include "dbf/DbfFile.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace korvane::cli {

namespace {

bool IsTableName(const std::string& name) {
    return name.size() >= 4 && platform::AsciiLowerCase(name.substr(name.size() - 4)) == ".dbf";
}

// The tables a folder holds (directly, or with `recursive` in its whole tree, links to folders
// not followed), as paths relative to it, in byte order; a subfolder that cannot be read is
// told and passed over.
void TablesIn(const std::string& folder, const std::string& relative, bool recursive, std::vector<std::string>& out,
              std::ostream& err) {
    std::vector<platform::FolderEntry> entries;
    if (const int e = platform::ListFolder(folder + relative, entries); e != 0) {
        err << "dbf2xml: " << Shown(folder + relative) << ": cannot be read: " << platform::SystemErrorText(e) << "\n";
        return;
    }
    for (const platform::FolderEntry& entry : entries) {
        if (entry.folder) {
            if (recursive) TablesIn(folder, relative + entry.name + "/", recursive, out, err);
        } else if (entry.regular && IsTableName(entry.name)) {
            out.push_back(relative + entry.name);
        } else if (IsTableName(entry.name) && !platform::StatPath(folder + relative + entry.name).exists) {
            err << "dbf2xml: " << ShownAsNamed(folder + relative + entry.name) << ": warning: a link to nothing; not converted\n";
        }
    }
}

}  // namespace

std::vector<Job> ExpandTables(const std::vector<std::string>& paths, bool recursive, const std::string& outputDir, bool quiet,
                              std::ostream& err) {
    std::vector<Job> jobs;
    // The files already taken, by device and inode, with the path they were taken by.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> seen;
    const std::string out = outputDir.empty() ? "" : platform::IncludeTrailingPathDelimiter(platform::ExpandFileName(outputDir));
    auto add = [&](const std::string& shown, const std::string& full, const std::string& relative) {
        std::uint64_t device = 0, inode = 0;
        if (platform::PathIdentity(full, device, inode)) {
            const auto [first, fresh] = seen.emplace(std::make_pair(device, inode), full);
            if (!fresh) {
                // Reached again through a link or a second hard link: converted once.
                // Named as reached, links unresolved: resolved, both would be one path.
                if (!quiet && first->second != full)
                    err << "dbf2xml: " << ShownAsNamed(full) << ": note: not converted again; it is "
                        << ShownAsNamed(first->second) << ", converted in this run\n";
                return;
            }
        } else if (std::any_of(jobs.begin(), jobs.end(), [&](const Job& j) { return j.full == full; })) {
            return;
        }
        const std::string target =
            out.empty() ? platform::ChangeFileExt(full, ".xml") : platform::ChangeFileExt(out + relative, ".xml");
        jobs.push_back({shown, full, target});
    };
    for (const std::string& path : paths) {
        const std::string full = platform::ExpandFileName(path);
        if (!platform::StatPath(full).folder) {
            add(path, full, platform::ExtractFileName(full));
            continue;
        }
        const std::string folder = platform::IncludeTrailingPathDelimiter(full);
        std::vector<std::string> found;
        TablesIn(folder, "", recursive, found, err);
        std::sort(found.begin(), found.end());
        if (found.empty()) err << "dbf2xml: " << Shown(full) << ": no tables\n";
        for (const std::string& relative : found)
            add(platform::IncludeTrailingPathDelimiter(path) + relative, folder + relative, relative);
    }
    return jobs;
}

namespace {

// A file by device and inode.
struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const Identity&) const = default;
};
struct IdentityHash {
    std::size_t operator()(const Identity& id) const {
        return std::hash<std::uint64_t>()(id.device * 0x9E3779B97F4A7C15ull ^ id.inode);
    }
};

// Where a table of the run reads from: the table, or a companion beside it.
struct Input {
    std::size_t owner;  // the table's place among the run's tables
    bool table;
};

// The files the run's tables are read from, by path and by identity, each looked at once;
// companions are found in one listing of each folder.
class Inputs {
public:
    Inputs(const std::vector<Job>& jobs, platform::IFileSystem& files) {
        for (std::size_t t = 0; t < jobs.size(); ++t) {
            const std::string& full = jobs[t].full;
            Add(t, true, full, files.Status(full));
            // Every companion the table could have, whatever its level turns out to be.
            for (const std::string& ext : dbf::CompanionExtensions(full)) {
                const std::string companion = files.Companion(platform::ChangeFileExt(full, ext));
                if (!companion.empty()) Add(t, false, companion, files.Status(companion));
            }
        }
    }
    // The input of another table than `self` at `path` (absolute) or the file `status` is.
    const Input* At(const std::string& path, const platform::PathStatus& status, std::size_t self) const {
        if (const Input* by = Other(FByPath, path, self)) return by;
        return status.exists ? Other(FById, Identity{status.device, status.inode}, self) : nullptr;
    }

private:
    void Add(std::size_t owner, bool table, const std::string& path, const platform::PathStatus& status) {
        if (!table && !status.exists) return;
        FByPath[path].push_back({owner, table});
        if (status.exists) FById[Identity{status.device, status.inode}].push_back({owner, table});
    }
    template <class Map, class Key>
    static const Input* Other(const Map& map, const Key& key, std::size_t self) {
        const auto found = map.find(key);
        if (found == map.end()) return nullptr;
        for (const Input& input : found->second)
            if (input.owner != self) return &input;
        return nullptr;
    }
    std::unordered_map<std::string, std::vector<Input>> FByPath;
    std::unordered_map<Identity, std::vector<Input>, IdentityHash> FById;
};

}  // namespace

Plan PlanRun(const Arguments& a, const std::vector<Job>& jobs, platform::IFileSystem& files) {
    const Inputs inputs(jobs, files);
    // What keeps a table from being converted is decided for all of them before any converts.
    Plan plan;
    std::vector<std::string>& refusals = plan.refusals;
    std::vector<std::size_t>& claimed = plan.claimed;
    refusals.resize(jobs.size());
    // The targets claimed so far, by path and, where they exist, by identity.
    std::unordered_map<std::string, std::size_t> claimedPaths;
    std::unordered_map<Identity, std::size_t, IdentityHash> claimedFiles;
    for (std::size_t t = 0; t < jobs.size(); ++t) {
        const std::string& full = jobs[t].full;
        const std::string xml = a.haveTarget ? a.target : jobs[t].target;
        const std::string path = platform::ExpandFileName(xml);
        const platform::PathStatus status = a.options.standardOutput ? platform::PathStatus{} : files.Status(path);
        const Identity id{status.device, status.inode};
        std::size_t first = jobs.size();
        if (const auto p = claimedPaths.find(path); p != claimedPaths.end()) first = p->second;
        if (const auto f = status.exists ? claimedFiles.find(id) : claimedFiles.end(); f != claimedFiles.end())
            first = std::min(first, f->second);
        std::ostringstream refusal;
        // No target may be a file another table of the run is read from (its own are refused
        // with the reader's message when it is opened).
        if (const Input* input = a.options.standardOutput ? nullptr : inputs.At(path, status, t)) {
            refusal << "dbf2xml: " << Shown(full) << ": not converted: its target " << Shown(xml) << " is "
                    << (input->table ? "a table" : "a memo, index or code page file") << " of this run\n";
        } else if (!a.options.standardOutput && dbf::IsTableFileName(xml)) {
            // A document under such a name would later be read as a table's own file.
            refusal << "dbf2xml: " << Shown(full) << ": not converted: its target " << Shown(xml)
                    << " has the name of a table's file (a table, memo, index or code page file)\n";
        } else if (!a.haveTarget && first < jobs.size()) {
            // Two tables of the run with one target: the later one is not converted.
            refusal << "dbf2xml: " << Shown(full) << ": not converted: its target " << Shown(xml) << " is the target of "
                    << Shown(jobs[first].full) << " too\n";
        } else if (const int e = a.outputDir.empty() ? 0 : platform::MakeFolders(platform::ExtractFilePath(xml)); e != 0) {
            refusal << "dbf2xml: " << Shown(platform::ExtractFilePath(xml)) << ": " << platform::SystemErrorText(e) << "\n";
        } else {
            claimed.push_back(t);
            claimedPaths.try_emplace(path, t);
            if (status.exists) claimedFiles.try_emplace(id, t);
        }
        refusals[t] = refusal.str();
    }
    // What runs killed outright left beside the targets goes, once per folder.
    if (!a.options.standardOutput) {
        std::map<std::string, std::vector<std::string>> folders;
        for (const std::size_t t : claimed) {
            const std::string xml = platform::ExpandFileName(a.haveTarget ? a.target : jobs[t].target);
            folders[platform::ExtractFilePath(xml)].push_back(platform::ExtractFileName(xml));
        }
        for (const auto& [folder, names] : folders) RemoveStaleTemporaries(folder, names);
    }
    return plan;
}

}  // namespace korvane::cli
