#include "tests/support/ScriptedFiles.h"

#include <algorithm>
#include <cerrno>

namespace korvane::test {

std::int64_t ScriptedFile::Allowed(std::size_t count) {
    if (FScript.failAfter >= 0 && FDone >= FScript.failAfter) return -1;
    std::size_t n = count;
    if (FScript.maxPerTransfer > 0) n = std::min(n, FScript.maxPerTransfer);
    if (FScript.failAfter >= 0) n = std::min<std::size_t>(n, static_cast<std::size_t>(FScript.failAfter - FDone));
    return static_cast<std::int64_t>(n);
}

platform::IoResult ScriptedFile::ReadAt(void* buffer, std::size_t count, std::int64_t offset) {
    if (FScript.lockedReads > 0) {
        --FScript.lockedReads;
        return {0, EAGAIN};
    }
    const std::int64_t n = Allowed(count);
    if (n < 0) return {0, FScript.error};
    const platform::IoResult r = FInner->ReadAt(buffer, static_cast<std::size_t>(n), offset);
    FDone += r.count;
    return r;
}

platform::IoResult ScriptedFile::WriteAt(const void* buffer, std::size_t count, std::int64_t offset) {
    writes.push_back(count);
    const std::int64_t n = Allowed(count);
    if (n < 0) return {0, FScript.error};
    const platform::IoResult r = FInner->WriteAt(buffer, static_cast<std::size_t>(n), offset);
    FDone += r.count;
    return r;
}

platform::IoResult ScriptedFile::Write(const void* buffer, std::size_t count) {
    writes.push_back(count);
    const std::int64_t n = Allowed(count);
    if (n < 0) return {0, FScript.error};
    const platform::IoResult r = FInner->Write(buffer, static_cast<std::size_t>(n));
    FDone += r.count;
    return r;
}

std::unique_ptr<platform::IByteFile> ScriptedFileSystem::Open(const std::string& path, platform::FileAccess access,
                                                              platform::OsError& error, unsigned mode) {
    std::unique_ptr<platform::IByteFile> file = MemoryFileSystem::Open(path, access, error, mode);
    if (!file) return file;
    for (const auto& [scripted, script] : FScripts)
        if (scripted == path) return std::make_unique<ScriptedFile>(std::move(file), script);
    return file;
}

}  // namespace korvane::test
