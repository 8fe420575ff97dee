#include "conversion/TargetFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Exception.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"

namespace korvane {

namespace {
constexpr int kStandardOutput = 1;
// Room left for ".", the suffix and ".tmp" within a file name of 255 bytes.
constexpr std::size_t kMaxNameInTemporary = 200;
constexpr std::size_t kCopyBlock = 64 * 1024;

TargetSeam& Seam() {
    static TargetSeam seam;
    return seam;
}

void Tell(TargetStep step) {
    if (Seam().observer) Seam().observer(step);
}

// A fresh hidden name for a temporary file beside `name` in `folder`.
std::string TemporaryName(const std::string& folder, const std::string& name) {
    static unsigned counter = 0;
    static const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08llx",
                  (seed * 2654435761ull + static_cast<unsigned long long>(::getpid()) * 40503ull + ++counter) & 0xFFFFFFFFull);
    return folder + "." + name.substr(0, kMaxNameInTemporary) + suffix + ".tmp";
}

// The folder for temporary files of targets whose own folder takes none.
std::string TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return platform::IncludeTrailingPathDelimiter(tmp && *tmp ? tmp : "/tmp");
}

void SetPending(int errnoValue, const std::string& path = {}) {
    InOutRes() = platform::MakeOsError(errnoValue, path).code;
}

}  // namespace

void SetTargetSeam(TargetSeam seam) {
    Seam() = std::move(seam);
}

TTargetFile::~TTargetFile() {
    Discard();
}

bool TTargetFile::CreateNamed(const std::string& folder, const std::string& name, unsigned mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = TemporaryName(folder, name);
        platform::OsError error;
        // Signals wait until the file is both created and known to the clean-up.
        platform::ScopedSignalBlock block;
        if (FDocument.Open(path, platform::FileAccess::CreateNew, error, mode)) {
            platform::RegisterCleanupFile(path);
            FTemporary = path;
            return true;
        }
        if (error.errnoValue != EEXIST) return false;
    }
    return false;
}

bool TTargetFile::CreateUnnamed(const std::string& folder, unsigned mode) {
    if (Seam().noUnnamed) return false;
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
        platform::File probe;
        platform::OsError error;
        if (!probe.Open(final, platform::FileAccess::WriteExisting, error)) {
            InOutRes() = error.code;
            return;
        }
    }
    const std::string folder = platform::ExtractFilePath(final);
    const std::string name = platform::ExtractFileName(final);
    // An existing file's data is no one else's business while it is being written: the
    // temporary file starts private and takes the target's bits; a new one gets 0666 less the
    // umask, as a created file does.
    const unsigned mode = status.exists ? 0600 : 0666;
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
    if (FReplace == Replace::None && status.exists && CreateNamed(TemporaryFolder(), name, 0600)) {
        // The folder takes no new file: the document waits elsewhere and is copied over.
        FReplace = Replace::CopyOver;
        Tell(TargetStep::TemporaryElsewhere);
    }
    // A new target in a folder that takes no new file: creating it fails as designed.
    if (FReplace == Replace::None) return RewritText(t);
    if (status.exists && FReplace == Replace::Rename) FDocument.SetPermissions(status.mode);
    FFinal = final;
    FOld = status;
    auto handle = std::make_unique<platform::File>();
    platform::OsError error;
    if (!handle->Duplicate(FDocument.Descriptor(), error)) {
        InOutRes() = error.code;
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
    if (!handle->Duplicate(kStandardOutput, error)) {
        InOutRes() = error.code;
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
    platform::DeferredSignalBlock block;
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
            InOutRes() = error.code;
            Discard();
            return;
        }
        platform::RegisterCleanupFile(FTemporary);
    }
    if (!platform::RenameFile(FTemporary, FFinal, error)) {
        InOutRes() = error.code;
        Discard();
        return;
    }
    platform::UnregisterCleanupFile();
    FTemporary.clear();
    Tell(TargetStep::Renamed);
    // The rename itself reaches the disk with the folder.
    platform::SyncFolder(folder);
    Tell(TargetStep::FolderSynced);
    Discard();
}

void TTargetFile::CommitByCopy() {
    platform::File reader;
    platform::File target;
    platform::OsError error;
    // Until the target is opened it is untouched; a failure now leaves it as it was.
    if (!reader.Open(FTemporary, platform::FileAccess::ReadOnly, error) ||
        !target.Open(FFinal, platform::FileAccess::WriteExisting, error)) {
        InOutRes() = error.code;
        Discard();
        return;
    }
    platform::DeferredSignalBlock block;
    Tell(TargetStep::Replacing);
    int failure = target.Truncate(0);
    std::vector<char> buffer(kCopyBlock);
    for (std::int64_t at = 0; failure == 0;) {
        const platform::IoResult r = reader.ReadAt(buffer.data(), buffer.size(), at);
        if (r.error != 0 || r.count == 0) {
            failure = r.error;
            break;
        }
        for (std::int64_t done = 0; failure == 0 && done < r.count;) {
            std::int64_t count = r.count - done;
            if (Seam().copyFailsAt >= 0) count = std::min(count, Seam().copyFailsAt - (at + done));
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
    if (failure == 0) failure = target.Sync();
    if (failure != 0) {
        // The complete document stays where it is; the message names it.
        const std::string kept = FTemporary;
        platform::UnregisterCleanupFile();
        FTemporary.clear();
        Discard();
        const int code = platform::MakeOsError(failure).code;
        throw EInOutError(InOutErrorMessage(code) + "; the target is incomplete, the complete document is " + kept, code);
    }
    Tell(TargetStep::CopiedOver);
    Discard();
}

void TTargetFile::Discard() noexcept {
    if (!FTemporary.empty()) {
        platform::RemoveFile(FTemporary);
        platform::UnregisterCleanupFile();
        FTemporary.clear();
    }
    FDocument.Close();
    FReplace = Replace::None;
}

}  // namespace korvane
