#include "platform/ByteFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/File.h"
#include "platform/Paths.h"

namespace korvane::platform {

namespace {

class SystemFileSystem : public IFileSystem {
public:
    bool OfSystem() const override { return true; }
    PathStatus Status(const std::string& path) override { return StatPath(path); }
    std::unique_ptr<IByteFile> Open(const std::string& path, FileAccess access, OsError& error, unsigned mode) override {
        auto file = std::make_unique<File>();
        if (!file->Open(path, access, error, mode)) return nullptr;
        return file;
    }
    std::vector<std::string> Entries(const std::string& folder) override {
        std::vector<std::string> names;
        ListNames(folder.empty() ? "." : folder, names);
        return names;
    }
};

// A file in memory; every handle on one name shares its bytes.
class MemoryFile : public IByteFile {
public:
    MemoryFile(std::shared_ptr<std::vector<std::uint8_t>> bytes, bool regular, std::uint64_t inode)
        : FBytes(std::move(bytes)), FRegular(regular), FInode(inode) {}

    IoResult ReadAt(void* buffer, std::size_t count, std::int64_t offset) override {
        if (offset < 0) return {0, EINVAL};
        const auto at = static_cast<std::size_t>(offset);
        if (at >= FBytes->size()) return {0, 0};
        const std::size_t n = std::min(count, FBytes->size() - at);
        std::memcpy(buffer, FBytes->data() + at, n);
        return {static_cast<std::int64_t>(n), 0};
    }
    IoResult WriteAt(const void* buffer, std::size_t count, std::int64_t offset) override {
        if (offset < 0) return {0, EINVAL};
        const auto at = static_cast<std::size_t>(offset);
        if (FBytes->size() < at + count) FBytes->resize(at + count);
        std::memcpy(FBytes->data() + at, buffer, count);
        return {static_cast<std::int64_t>(count), 0};
    }
    IoResult Write(const void* buffer, std::size_t count) override {
        const auto* p = static_cast<const std::uint8_t*>(buffer);
        FBytes->insert(FBytes->end(), p, p + count);
        return {static_cast<std::int64_t>(count), 0};
    }
    IoResult Size() override { return {static_cast<std::int64_t>(FBytes->size()), 0}; }
    int LockShared() override { return 0; }
    FileType Type() override { return FRegular ? FileType::Regular : FileType::Other; }
    bool Identity(std::uint64_t& device, std::uint64_t& inode) override {
        device = 0;
        inode = FInode;
        return true;
    }
    bool SetPermissions(unsigned) override { return true; }
    int Close() override { return 0; }

private:
    std::shared_ptr<std::vector<std::uint8_t>> FBytes;
    bool FRegular;
    std::uint64_t FInode;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string IFileSystem::Companion(const std::string& exactPath) {
    return SearchCompanionFile(*this, exactPath);
}

const ListedOnce::Listing& ListedOnce::ListingOf(const std::string& folder) {
    // Listings are made once and never changed or removed: a reference stays good.
    const std::lock_guard lock(FMutex);
    const auto [at, fresh] = FListings.try_emplace(folder);
    Listing& listing = at->second;
    if (!fresh) return listing;
    listing.names = FFiles.Entries(folder);
    std::vector<std::string> sorted = listing.names;
    std::sort(sorted.begin(), sorted.end());
    for (const std::string& name : sorted) {
        listing.exact.insert(name);
        listing.folded.try_emplace(AsciiLowerCase(name), name);
    }
    return listing;
}

std::vector<std::string> ListedOnce::Entries(const std::string& folder) {
    return ListingOf(folder).names;
}

std::string ListedOnce::Companion(const std::string& exactPath) {
    const std::string folder = ExtractFilePath(exactPath);
    const std::string name = ExtractFileName(exactPath);
    const Listing& listing = ListingOf(folder);
    if (listing.exact.count(name)) return exactPath;
    const auto found = listing.folded.find(AsciiLowerCase(name));
    return found == listing.folded.end() ? std::string() : folder + found->second;
}

IFileSystem& SystemFiles() {
    static SystemFileSystem files;
    return files;
}

void MemoryFileSystem::Put(const std::string& path, std::vector<std::uint8_t> bytes, bool regular) {
    FFiles[path] = {std::make_shared<std::vector<std::uint8_t>>(std::move(bytes)), regular, FNextInode++};
}

std::vector<std::uint8_t> MemoryFileSystem::Get(const std::string& path) const {
    const auto it = FFiles.find(path);
    return it == FFiles.end() ? std::vector<std::uint8_t>() : *it->second.bytes;
}

PathStatus MemoryFileSystem::Status(const std::string& path) {
    PathStatus s;
    const auto it = FFiles.find(path);
    if (it == FFiles.end()) return s;
    s.exists = true;
    s.regular = it->second.regular;
    s.links = 1;
    s.mode = 0644;
    s.inode = it->second.inode;
    s.size = it->second.bytes->size();
    return s;
}

std::unique_ptr<IByteFile> MemoryFileSystem::Open(const std::string& path, FileAccess access, OsError& error, unsigned) {
    if (access == FileAccess::CreateUnnamed) {
        error = MakeOsError(EOPNOTSUPP);
        return nullptr;
    }
    auto it = FFiles.find(path);
    const bool creates = access == FileAccess::CreateTruncate || access == FileAccess::CreateNew;
    if (it == FFiles.end()) {
        if (!creates) {
            error = MakeOsError(ENOENT);
            return nullptr;
        }
        Put(path, {});
        it = FFiles.find(path);
    } else if (access == FileAccess::CreateNew) {
        error = MakeOsError(EEXIST);
        return nullptr;
    } else if (access == FileAccess::CreateTruncate) {
        it->second.bytes->clear();
    }
    return std::make_unique<MemoryFile>(it->second.bytes, it->second.regular, it->second.inode);
}

std::vector<std::string> MemoryFileSystem::Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [path, entry] : FFiles)
        if (FolderOf(path) == folder) names.push_back(path.substr(folder.size()));
    return names;
}

}  // namespace korvane::platform
