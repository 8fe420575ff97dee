#include "conversion/TargetFile.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"

namespace korvane {

namespace {
constexpr int kStandardOutput = 1;
// Room left for ".", the suffix and ".tmp" within a file name of 255 bytes.
constexpr std::size_t kMaxNameInTemporary = 200;
}  // namespace

TTargetFile::~TTargetFile() {
    Discard();
}

bool TTargetFile::CreateTemporary(const std::string& final, unsigned mode, std::unique_ptr<platform::IByteFile>& handle) {
    const std::string folder = platform::ExtractFilePath(final);
    const std::string name = platform::ExtractFileName(final).substr(0, kMaxNameInTemporary);
    static unsigned counter = 0;
    const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(
            suffix, sizeof suffix, ".%08llx",
            (seed * 2654435761ull + static_cast<unsigned long long>(::getpid()) * 40503ull + ++counter) & 0xFFFFFFFFull);
        const std::string path = folder + "." + name + suffix + ".tmp";
        platform::OsError error;
        // Signals wait until the file is both created and known to the clean-up.
        platform::ScopedSignalBlock block;
        handle = platform::SystemFiles().Open(path, platform::FileAccess::CreateNew, error, mode);
        if (handle) {
            platform::RegisterCleanupFile(path);
            FTemporary = path;
            return true;
        }
        if (error.errnoValue != EEXIST) return false;
    }
    return false;
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
    if (status.exists && (!status.regular || status.links != 1)) return RewritText(t);
    if (status.exists) {
        // A file the user may not write is refused, as creating it would be; renaming over it
        // would otherwise replace it.
        platform::OsError error;
        if (!platform::SystemFiles().Open(final, platform::FileAccess::WriteExisting, error)) {
            InOutRes() = error.code;
            return;
        }
    }
    std::unique_ptr<platform::IByteFile> handle;
    // An existing file's data is no one else's business while it is being written: the
    // temporary file starts private and takes the target's bits; a new one gets 0666 less
    // the umask, as a created file does.
    if (!CreateTemporary(final, status.exists ? 0600 : 0666, handle)) return RewritText(t);  // the folder takes no new file
    if (status.exists) handle->SetPermissions(status.mode);
    FFinal = final;
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
    if (FTemporary.empty()) return;
    platform::OsError error;
    if (!platform::RenameFile(FTemporary, FFinal, error)) {
        InOutRes() = error.code;
        Discard();
        return;
    }
    platform::UnregisterCleanupFile();
    FTemporary.clear();
}

void TTargetFile::Discard() noexcept {
    if (FTemporary.empty()) return;
    platform::RemoveFile(FTemporary);
    platform::UnregisterCleanupFile();
    FTemporary.clear();
}

}  // namespace korvane
