#include "dbf/PagedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dbf/DbfErrors.h"
#include "dbf/Messages.h"
#include "platform/OsError.h"
#include "platform/Paths.h"
#include "platform/System.h"

namespace korvane::dbf {

namespace {
constexpr int kReadAheadSize = 64 * 1024;
}

TPagedFile::~TPagedFile() {
    // Destruction never throws: a header still marked modified is written if possible.
    try {
        TPagedFile::CloseFile();
    } catch (...) {
    }
}

void TPagedFile::SetHeaderOffset(std::int64_t offset) {
    FHeaderOffset = offset;
    FNeedRecalc = true;
}

void TPagedFile::SetRecordSize(int size) {
    if (size == FRecordSize) return;
    FRecordSize = size;
    FPageSize = size;
    FPagesPerRecord = size == 0 ? 0 : 1;
    FNeedRecalc = true;
}

void TPagedFile::SetHeaderSize(int size) {
    if (size == FHeaderSize) return;
    if (FHeaderModified) WriteHeaderNow();
    FHeaderSize = size;
    FHeader.assign(static_cast<std::size_t>(std::max(size, 0)), 0);
    FNeedRecalc = true;
    ReadHeader();
}

int TPagedFile::ReadHeader() {
    if (FHeaderModified) WriteHeaderNow();
    std::fill(FHeader.begin(), FHeader.end(), std::uint8_t{0});
    if (!FStream.IsOpen()) return 0;
    const std::int64_t available = FStream.Size() - FHeaderOffset;
    if (available < 0 || FHeader.empty()) return 0;
    const int count = static_cast<int>(std::min<std::int64_t>(FHeaderSize, available));
    return ReadBlock(FHeader.data(), count, FHeaderOffset);
}

void TPagedFile::OpenFile() {
    if (FActive) return;
    FUserMode = FMode;
    const platform::PathStatus status = platform::StatPath(FFileName);
    if (!status.exists) throw EPagedFile(FormatMessage(STRING_FILE_NOT_FOUND, {FFileName}));
    auto refuse = [&](const std::string& reason) {
        FStream.Close();
        throw EFOpenError(FormatMessage(SFOpenError, {platform::ResolvedPath(FFileName), reason}));
    };
    auto reasonFor = [](const platform::OsError& e) {
        return e.errnoValue == EWOULDBLOCK ? std::string(platform::kLockedByAnotherProgram) : platform::SystemErrorText(e.errnoValue);
    };
    // Devices, pipes, sockets and folders are no tables or memo files: reading one could
    // block or never end. Checked before the open (which itself may act on a device) and
    // again on what was opened.
    if (!status.regular) refuse(platform::kNotARegularFile);
    platform::FileAccess access = platform::FileAccess::ReadWrite;
    if (FMode == pfReadOnly) access = platform::FileAccess::ReadOnly;
    else if (FMode == pfExclusiveOpen || FMode == pfExclusiveCreate) access = platform::FileAccess::ReadWriteExclusive;
    platform::OsError error;
    if (!FStream.Open(FFileName, access, error)) refuse(reasonFor(error));
    if (FStream.Type() != platform::FileType::Regular) refuse(platform::kNotARegularFile);
    // Shared access still respects a program that holds the table exclusively.
    if (FLockShared && IsSharedAccess() && !FStream.LockShared(error)) refuse(reasonFor(error));
    FCachedSize = FStream.Size();
    FNeedLocks = IsSharedAccess();
    FNeedRecalc = true;
    FActive = true;
}

void TPagedFile::CloseFile() {
    if (!FActive) return;
    if (FHeaderModified) WriteHeaderNow();
    FStream.Close();
    FMode = FUserMode;
    FActive = false;
    FCachedRecordCount = 0;
    FAheadBuffer = {};
    FAheadLength = 0;
}

int TPagedFile::ReadRecord(int n, std::uint8_t* dest) {
    if (FRecordSize <= 0) return 0;
    return ReadBuffered(dest, FRecordSize, CalcPageOffset(n));
}

void TPagedFile::WriteHeader() {
    FHeaderModified = true;
    if (IsSharedAccess()) WriteHeaderNow();
}

void TPagedFile::WriteHeaderNow() {
    FHeaderModified = false;
    if (FHeader.empty() || !FStream.IsOpen()) return;
    // The header is written over what the file holds and never makes it longer.
    const std::int64_t size = FStream.Size();
    if (size < 0) throw EPagedFile(STRING_WRITE_ERROR, FFileName);
    const auto count = static_cast<std::size_t>(std::clamp<std::int64_t>(size - FHeaderOffset, 0, static_cast<std::int64_t>(HeaderWriteSize())));
    if (count == 0) return;
    const std::int64_t written = FStream.WriteAt(FHeader.data(), count, FHeaderOffset);
    if (written < 0) throw EPagedFile(STRING_WRITE_ERROR, FFileName);
    if (written == 0) FWriteError = true;
    FCachedSize = std::max(FCachedSize, FHeaderOffset + written);
    FAheadLength = 0;
}

int TPagedFile::GetRecordCount() {
    if (IsSharedAccess() && FStream.IsOpen()) {
        const std::int64_t size = FStream.Size();
        if (size >= 0 && size != FCachedSize) {
            FCachedSize = size;
            FNeedRecalc = true;
        }
    }
    if (FNeedRecalc) {
        if (FPageSize == 0 || !FActive) {
            FRecordCount = 0;
        } else {
            const std::int64_t count = (FCachedSize - FHeaderSize - FHeaderOffset) / FPageSize;
            FRecordCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(count, 0, INT32_MAX));
        }
        FNeedRecalc = false;
    }
    return FRecordCount;
}

std::int64_t TPagedFile::CalcPageOffset(int n) const {
    if (!FPageOffsetByHeader) return static_cast<std::int64_t>(n) * FPageSize;
    if (n == 0) return 0;
    return FHeaderOffset + FHeaderSize + static_cast<std::int64_t>(n - 1) * FPageSize;
}

int TPagedFile::ReadBlock(std::uint8_t* buffer, int count, std::int64_t offset) {
    if (offset > FCachedSize) {
        FCachedSize = offset;
        FNeedRecalc = true;
    }
    if (count <= 0 || offset < 0) return 0;
    for (;;) {
        ++FReadCount;
        const std::int64_t n = FStream.ReadAt(buffer, static_cast<std::size_t>(count), offset);
        if (n >= 0) return static_cast<int>(n);
        // A region locked by another program: wait and read again.
        if (errno == EAGAIN || errno == EDEADLK) {
            platform::SleepOneMillisecond();
            continue;
        }
        throw EPagedFile(STRING_READ_ERROR, FFileName);
    }
}

void TPagedFile::SetBufferAhead(bool on) {
    FBufferAhead = on;
    FAheadLength = 0;
    if (!on) FAheadBuffer = {};
}

int TPagedFile::ReadBuffered(std::uint8_t* buffer, int count, std::int64_t offset) {
    if (!FBufferAhead || count > kReadAheadSize / 2) return ReadBlock(buffer, count, offset);
    if (offset < FAheadOffset || offset + count > FAheadOffset + FAheadLength) {
        // Refill with whole records from this one on.
        const int blockRecords = std::max(1, kReadAheadSize / std::max(count, 1));
        const int want = blockRecords * count;
        if (static_cast<int>(FAheadBuffer.size()) < want) FAheadBuffer.resize(static_cast<std::size_t>(want));
        FAheadOffset = offset;
        FAheadLength = ReadBlock(FAheadBuffer.data(), want, offset);
    }
    const std::int64_t start = offset - FAheadOffset;
    const int available = static_cast<int>(std::clamp<std::int64_t>(FAheadLength - start, 0, count));
    if (available > 0) std::memcpy(buffer, FAheadBuffer.data() + start, static_cast<std::size_t>(available));
    return available;
}

bool TPagedFile::IsSharedAccess() const {
    return FMode == pfReadWriteCreate || FMode == pfReadWriteOpen || FMode == pfReadOnly;
}

bool TPagedFile::FileCreated() const {
    return FMode == pfMemoryCreate || FMode == pfExclusiveCreate || FMode == pfReadWriteCreate;
}

}  // namespace korvane::dbf
