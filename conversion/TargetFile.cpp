#include "conversion/TargetFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/Exception.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"

namespace korvane {

namespace {
constexpr const char* kTargetBusy = "the target is being written by another run; not converted";
// Room left for ".", the suffix and ".tmp" within a file name of 255 bytes.
constexpr std::size_t kMaxNameInTemporary = 200;
constexpr std::size_t kCopyBlock = 64 * 1024;

// A fresh hidden name for a temporary file beside `name` in `folder`.
std::string TemporaryName(const std::string& folder, const std::string& name) {
    // Random, so that runs and threads at the same time take different names without keeping
    // count; a name that exists already is passed over by the caller.
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(std::random_device{}()));
    return folder + "." + name.substr(0, kMaxNameInTemporary) + suffix + ".tmp";
}

void SetPending(int errnoValue, const std::string& path = {}) {
    SetPendingError(platform::MakeOsError(errnoValue, path));
}

}  // namespace

TTargetFile::~TTargetFile() {
    Discard();
}

bool TTargetFile::CreateNamed(const std::string& folder, const std::string& name, unsigned mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = TemporaryName(folder, name);
        platform::OsError error;
        // A signal waits until the file is both created and known to the clean-up.
        if (!FCleanup.BeginCreating()) throw platform::EInterrupted();
        if (FDocument.Open(path, platform::FileAccess::CreateNew, error, mode)) {
            // Locked while this run lives: a run killed outright leaves it unlocked, and a
            // later run removes it (RemoveStaleTemporaries). Another run may have taken it for
            // such a file before the lock: then the name is no longer ours, and another is made.
            std::uint64_t device = 0, inode = 0, ownDevice = 0, ownInode = 0;
            if (FDocument.TryLockExclusive() == 0 && platform::PathIdentity(path, device, inode) &&
                FDocument.Identity(ownDevice, ownInode) && device == ownDevice && inode == ownInode) {
                FCleanup.EndCreating(path);
                FTemporary = path;
                return true;
            }
            FDocument.Close();
            FCleanup.EndCreating({});
            continue;
        }
        FCleanup.EndCreating({});
        // A name another file has, or a creation a signal interrupted: another try.
        if (error.errnoValue != EEXIST && error.errnoValue != EINTR) return false;
    }
    return false;
}

bool TTargetFile::CreateUnnamed(const std::string& folder, unsigned mode) {
    if (FSeam.noUnnamed) return false;
    platform::OsError error;
    return FDocument.Open(folder.empty() ? "." : folder, platform::FileAccess::CreateUnnamed, error, mode);
}

void TTargetFile::Rewrite(TTextRec& t) {
    Discard();
    // A link stays a link: the file it points to is the one that is replaced.
    std::string final = t.Path;
    if (platform::LinkStatus(final).link) {
        final = platform::RealPath(t.Path);
        if (final.empty()) return RewritText(t);  // a link to nothing: created as designed
    }
    const platform::PathStatus status = platform::StatPath(final);
    if (status.exists && !status.regular) return RewritText(t);  // a device or a pipe: a stream
    if (status.exists) {
        // A file the user may not write is refused, as creating it would be; replacing it
        // would otherwise change it.
        platform::OsError error;
        if (!platform::MayReplace(final, error)) {
            SetPendingError(error);
            return;
        }
    }
    const std::string folder = platform::ExtractFilePath(final);
    const std::string name = platform::ExtractFileName(final);
    // The temporary file beside the target must have a name the system takes, or the run
    // would fail only at its end.
    if (folder.size() + std::min(name.size(), kMaxNameInTemporary) + 14 >= platform::kMaxPath) {
        SetPending(ENAMETOOLONG, final);
        return;
    }
    // An existing file's data is no one else's business while it is being written: the
    // temporary file starts private and takes the target's bits; a new one gets 0666 less the
    // umask, as a created file does.
    const unsigned mode = status.exists ? 0600 : 0666;
    // A target with several links is copied over: it is held from before its document starts.
    if (status.exists && status.links > 1) {
        HoldTarget(final);
        if (!FTarget.IsOpen()) return;
    }
    if (!status.exists || status.links == 1) {
        if (CreateUnnamed(folder, mode)) {
            FReplace = Replace::Rename;
            Tell(TargetStep::TemporaryUnnamed);
        } else if (CreateNamed(folder, name, mode)) {
            FReplace = Replace::Rename;
            Tell(TargetStep::TemporaryNamed);
        }
    } else if (CreateNamed(folder, name, 0600)) {
        FReplace = Replace::CopyOver;
        Tell(TargetStep::TemporaryNamed);
    }
    if (FReplace == Replace::None && status.exists &&
        CreateNamed(platform::IncludeTrailingPathDelimiter(platform::TemporaryFolder()), name, 0600)) {
        // The folder takes no new file: the document waits elsewhere and is copied over.
        FReplace = Replace::CopyOver;
        Tell(TargetStep::TemporaryElsewhere);
    }
    // A new target in a folder that takes no new file: creating it fails as designed.
    if (FReplace == Replace::None) return RewritText(t);
    if (FReplace == Replace::CopyOver && !FTarget.IsOpen()) {
        HoldTarget(final);
        if (!FTarget.IsOpen()) return;
    }
    if (status.exists && FReplace == Replace::Rename) FDocument.SetPermissions(status.mode);
    FFinal = final;
    FOld = status;
    auto handle = std::make_unique<platform::File>();
    platform::OsError error;
    if (!handle->Duplicate(FDocument, error)) {
        SetPendingError(error);
        Discard();
        return;
    }
    RewritTextOn(t, std::move(handle));
    if (t.Mode == TextMode::Closed) Discard();
}

void TTargetFile::RewriteStandardOutput(TTextRec& t) {
    Discard();
    auto handle = std::make_unique<platform::File>();
    platform::OsError error;
    if (!handle->DuplicateStandardOutput(error)) {
        SetPendingError(error);
        return;
    }
    RewritTextOn(t, std::move(handle));
}

void TTargetFile::Commit() {
    if (FReplace == Replace::None) return;
    // The document reaches the disk before it takes the target's place, so that a power loss
    // right after the run cannot leave an empty target where the old document was.
    if (const int e = FDocument.Sync(); e != 0) {
        SetPending(e);
        Discard();
        return;
    }
    Tell(TargetStep::DocumentSynced);
    if (FReplace == Replace::Rename)
        CommitByRename();
    else
        CommitByCopy();
}

void TTargetFile::CommitByRename() {
    if (FOld.exists) {
        // The old file's owner and group where the process may set them (as root); changing
        // the owner may clear set-id bits, so the permission bits follow.
        if (FDocument.SetOwner(FOld.owner, FOld.group)) FDocument.SetPermissions(FOld.mode);
    }
    const std::string folder = platform::ExtractFilePath(FFinal);
    // A signal waits for the replacement and is then held back: this table is converted.
    if (!FCleanup.BeginReplacing()) throw platform::EInterrupted();
    struct Replacing {
        TTargetFile& file;
        ~Replacing() { file.FCleanup.EndReplacing(file.FTemporary); }
    } replacing{*this};
    Tell(TargetStep::Replacing);
    platform::OsError error;
    if (FTemporary.empty()) {
        // A file without a name gets one only now, and keeps it for an instant.
        for (int attempt = 0; attempt < 100 && FTemporary.empty(); ++attempt) {
            const std::string path = TemporaryName(folder, platform::ExtractFileName(FFinal));
            if (FDocument.LinkAs(path, error)) {
                FTemporary = path;
            } else if (error.errnoValue != EEXIST) {
                break;
            }
        }
        if (FTemporary.empty()) {
            SetPendingError(error);
            Discard();
            return;
        }
    }
    if (!platform::RenameOpenFile(FDocument, FTemporary, FFinal, error)) {
        SetPendingError(error);
        Discard();
        return;
    }
    FTemporary.clear();
    Tell(TargetStep::Renamed);
    // The rename itself reaches the disk with the folder.
    platform::SyncFolder(folder);
    Tell(TargetStep::FolderSynced);
    Discard();
}

void TTargetFile::HoldTarget(const std::string& final) {
    // Two runs that copy over one target at the same time would mix their documents: the
    // target is locked from now until its copy is done, and a run that finds it locked fails.
    platform::OsError error;
    if (!FTarget.Open(final, platform::FileAccess::WriteExisting, error)) {
        SetPendingError(error);
        Discard();
        return;
    }
    if (const int e = FTarget.TryLockExclusive(); e != 0) {
        Discard();
        const int code = platform::MakeOsError(e).code;
        throw EInOutError(e == EWOULDBLOCK ? kTargetBusy : InOutErrorMessage(code), code, e == EWOULDBLOCK ? 0 : e);
    }
}

void TTargetFile::CommitByCopy() {
    platform::File reader;
    platform::OsError error;
    // Until the target is written it is untouched; a failure now leaves it as it was.
    if (!reader.Open(FTemporary, platform::FileAccess::ReadOnly, error)) {
        SetPendingError(error);
        Discard();
        return;
    }
    platform::File& target = FTarget;
    const platform::IoResult size = reader.Size();
    // The room is reserved before the first byte changes, so that a full disk leaves the
    // target as it was rather than cut.
    if (const int e = size.error != 0 ? size.error : target.Reserve(size.count); e != 0) {
        Discard();
        const int code = platform::MakeOsError(e).code;
        throw EInOutError(InOutErrorMessage(code) + "; the target is unchanged", code, e);
    }
    if (!FCleanup.BeginReplacing()) {
        Discard();
        throw platform::EInterrupted();
    }
    struct Replacing {
        TTargetFile& file;
        ~Replacing() { file.FCleanup.EndReplacing(file.FTemporary); }
    } replacing{*this};
    Tell(TargetStep::Replacing);
    int failure = 0;
    std::vector<char> buffer(kCopyBlock);
    for (std::int64_t at = 0; failure == 0;) {
        const platform::IoResult r = reader.ReadAt(buffer.data(), buffer.size(), at);
        if (r.error != 0 || r.count == 0) {
            failure = r.error;
            break;
        }
        for (std::int64_t done = 0; failure == 0 && done < r.count;) {
            std::int64_t count = r.count - done;
            if (FSeam.copyFailsAt >= 0) count = std::min(count, FSeam.copyFailsAt - (at + done));
            if (count <= 0) {
                failure = ENOSPC;
                break;
            }
            const platform::IoResult w = target.WriteAt(buffer.data() + done, static_cast<std::size_t>(count), at + done);
            failure = w.error != 0 ? w.error : w.count == 0 ? ENOSPC : 0;
            done += w.count;
        }
        at += r.count;
    }
    // Written over from its start, the target ends where the document does.
    if (failure == 0) failure = target.Truncate(size.count);
    if (failure == 0) failure = target.Sync();
    if (failure != 0) {
        // The complete document stays where it is; the message names it.
        const std::string kept = platform::ResolvedPath(FTemporary);
        FTemporary.clear();
        Discard();
        const int code = platform::MakeOsError(failure).code;
        throw EInOutError(InOutErrorMessage(code) + "; the target is incomplete, the complete document is " + kept, code,
                          failure);
    }
    Tell(TargetStep::CopiedOver);
    Discard();
}

void TTargetFile::Discard() noexcept {
    if (!FTemporary.empty()) {
        platform::RemoveFile(FTemporary);
        FCleanup.Unregister();
        FTemporary.clear();
    }
    FDocument.Close();
    FTarget.Close();
    FReplace = Replace::None;
}

void RemoveStaleTemporaries(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<std::string> entries;
    if (platform::ListNames(folder.empty() ? "." : folder, entries) != 0) return;
    for (const std::string& entry : entries) {
        // .NAME.XXXXXXXX.tmp, NAME one of the targets' names.
        if (entry.size() < 15 || entry[0] != '.' || !entry.ends_with(".tmp")) continue;
        const std::string name = entry.substr(1, entry.size() - 14);
        const std::string suffix = entry.substr(entry.size() - 13, 9);
        if (suffix[0] != '.' ||
            !std::all_of(suffix.begin() + 1, suffix.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            continue;
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return n.substr(0, kMaxNameInTemporary) == name; }))
            continue;
        // Only a file whose run is gone is unlocked.
        const std::string path = platform::IncludeTrailingPathDelimiter(folder) + entry;
        platform::File file;
        platform::OsError error;
        if (file.Open(path, platform::FileAccess::ReadOnly, error) && file.TryLockExclusive() == 0) platform::RemoveFile(path);
    }
}

}  // namespace korvane
