// Files that misbehave on purpose, over memory files: they fail after a number of bytes, move
// only a few bytes per transfer, or meet another program's lock for a while; every write is
// recorded.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ByteFile.h"

namespace korvane::test {

struct FileScript {
    std::int64_t failAfter = -1;     // bytes transferred before every transfer fails; -1: never
    int error = 5;                   // the errno of those failures (EIO)
    std::size_t maxPerTransfer = 0;  // at most this many bytes a transfer; 0: all
    int lockedReads = 0;             // the first reads meet a lock (EAGAIN)
};

// A byte file that follows a script over another byte file.
class ScriptedFile : public platform::IByteFile {
public:
    ScriptedFile(std::unique_ptr<platform::IByteFile> inner, FileScript script) : FInner(std::move(inner)), FScript(script) {}

    platform::IoResult ReadAt(void* buffer, std::size_t count, std::int64_t offset) override;
    platform::IoResult WriteAt(const void* buffer, std::size_t count, std::int64_t offset) override;
    platform::IoResult Write(const void* buffer, std::size_t count) override;
    platform::IoResult Size() override { return FInner->Size(); }
    int LockShared() override { return FInner->LockShared(); }
    platform::FileType Type() override { return FInner->Type(); }
    bool Identity(std::uint64_t& device, std::uint64_t& inode) override { return FInner->Identity(device, inode); }
    bool SetPermissions(unsigned mode) override { return FInner->SetPermissions(mode); }
    int Close() override { return FInner->Close(); }

    // The size of every write the file was asked for, in order.
    std::vector<std::size_t> writes;

private:
    // How much of `count` the script lets through now; -1 when the transfer fails.
    std::int64_t Allowed(std::size_t count);

    std::unique_ptr<platform::IByteFile> FInner;
    FileScript FScript;
    std::int64_t FDone = 0;
};

// Memory files, of which some follow a script.
class ScriptedFileSystem : public platform::MemoryFileSystem {
public:
    void Script(const std::string& path, FileScript script) { FScripts.emplace_back(path, script); }
    std::unique_ptr<platform::IByteFile> Open(const std::string& path, platform::FileAccess access, platform::OsError& error,
                                              unsigned mode = 0666) override;

private:
    std::vector<std::pair<std::string, FileScript>> FScripts;
};

}  // namespace korvane::test
