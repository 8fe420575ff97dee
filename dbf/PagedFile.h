// A file read as a header followed by numbered records of one size.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/ByteFile.h"

namespace korvane::dbf {

enum TPagedFileMode {
    pfNone,
    pfMemoryCreate,
    pfMemoryOpen,
    pfExclusiveCreate,
    pfExclusiveOpen,
    pfReadWriteCreate,
    pfReadWriteOpen,
    pfReadOnly
};

class TPagedFile {
public:
    TPagedFile() = default;
    TPagedFile(const TPagedFile&) = delete;
    TPagedFile& operator=(const TPagedFile&) = delete;
    virtual ~TPagedFile();

    virtual void SetHeaderOffset(std::int64_t offset);
    virtual void SetRecordSize(int size);
    virtual void SetHeaderSize(int size);
    virtual void OpenFile();
    virtual void CloseFile();
    // Reads record n (from 1) into `dest`; returns the number of bytes read.
    virtual int ReadRecord(int n, std::uint8_t* dest);
    virtual void WriteHeader();

    int ReadHeader();
    // The number of records: for a plain paged file, the whole records the file holds.
    virtual int GetRecordCount() { return FileRecordCount(); }
    // Whole records in the file behind the header (in a shared mode, at its present size).
    int FileRecordCount();
    std::int64_t CalcPageOffset(int n) const;
    int ReadBlock(std::uint8_t* buffer, int count, std::int64_t offset);
    // The file's size as the system says it now.
    std::int64_t CurrentSize();
    bool IsSharedAccess() const;
    bool FileCreated() const;
    // How many reads this file has asked the system for.
    std::uint64_t ReadCount() const { return FReadCount; }

    const std::string& FileName() const { return FFileName; }
    // Where the file is opened from: the system's files unless told otherwise.
    void SetFileSystem(platform::IFileSystem& files) { FFiles = &files; }
    void SetFileName(std::string name) { FFileName = std::move(name); }
    TPagedFileMode Mode() const { return FMode; }
    void SetMode(TPagedFileMode mode) { FMode = mode; }
    int HeaderSize() const { return FHeaderSize; }
    int RecordSize() const { return FRecordSize; }
    std::span<std::uint8_t> Header() { return FHeader; }
    std::span<const std::uint8_t> Header() const { return FHeader; }
    bool Active() const { return FActive; }
    std::int64_t CachedSize() const { return FCachedSize; }
    void SetCachedSize(std::int64_t size) { FCachedSize = size; }
    bool AutoCreate = false;
    // Record reads (and a memo file's reads) go through a read-ahead buffer of 64 KiB when set.
    void SetBufferAhead(bool on);

    // The record count as the cursor's presence test last saw it.
    std::int32_t CachedRecordCount() const { return FCachedRecordCount; }
    // A header write-back that the file took nothing of (kept for the design's callers;
    // the conversion never asks, since such a write leaves the table as it was).
    bool WriteFailed() const { return FWriteError; }

protected:
    std::int32_t FCachedRecordCount = 0;
    bool FHeaderModified = false;
    bool FWriteError = false;
    // Reads at an offset through the read-ahead buffer when it is on.
    int ReadBuffered(std::uint8_t* buffer, int count, std::int64_t offset);
    // How many bytes from `offset` on the read-ahead buffer holds (0 when it is off).
    std::int64_t BufferedFrom(std::int64_t offset) const {
        const std::int64_t end = FAheadOffset + FAheadLength;
        return FBufferAhead && offset >= FAheadOffset && offset < end ? end - offset : 0;
    }
    void WriteHeaderNow();
    // How many bytes of the header a write-back writes.
    virtual std::size_t HeaderWriteSize() const { return FHeader.size(); }

    std::string FFileName;
    TPagedFileMode FMode = pfNone;
    TPagedFileMode FUserMode = pfNone;
    platform::IFileSystem* FFiles = &platform::SystemFiles();
    std::unique_ptr<platform::IByteFile> FStream;
    std::int64_t FHeaderOffset = 0;
    int FHeaderSize = 0;
    std::vector<std::uint8_t> FHeader;
    int FRecordSize = 0;
    int FPageSize = 0;
    int FPagesPerRecord = 0;
    bool FPageOffsetByHeader = true;
    std::int32_t FRecordCount = 0;
    bool FNeedRecalc = true;
    std::int64_t FCachedSize = 0;
    bool FActive = false;
    bool FNeedLocks = false;
    bool FFileLocked = false;
    bool FBufferAhead = false;
    std::vector<std::uint8_t> FAheadBuffer;
    std::int64_t FAheadOffset = 0;
    int FAheadLength = 0;
    std::uint64_t FReadCount = 0;
    // Take a shared lock in the shared modes (the table file does; its companions do not).
    bool FLockShared = false;
};

}  // namespace korvane::dbf
