#include "dbf/PagedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dbf/DbfErrors.h"
#include "dbf/Messages.h"
#include "platform/File.h"
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
    if (!FStream) return 0;
    const std::int64_t available = CurrentSize() - FHeaderOffset;
    if (available < 0 || FHeader.empty()) return 0;
    const int count = static_cast<int>(std::min<std::int64_t>(FHeaderSize, available));
    return ReadBlock(FHeader.data(), count, FHeaderOffset);
}

std::int64_t TPagedFile::CurrentSize() {
    const platform::IoResult size = FStream->Size();
    if (size.error != 0) throw EPagedFile(STRING_READ_ERROR, FFileName);
    return size.count;
}

void TPagedFile::OpenFile() {
    if (FActive) return;
    FUserMode = FMode;
    const platform::PathStatus status = FFiles->Status(FFileName);
    if (!status.exists) throw EPagedFile(FormatMessage(STRING_FILE_NOT_FOUND, {FFileName}));
    auto refuse = [&](const std::string& reason) {
        if (FStream) FStream->Close();
        FStream.reset();
        throw EFOpenError(FormatMessage(SFOpenError, {platform::ResolvedPath(FFileName), reason}));
    };
    auto reasonFor = [](int errnoValue) {
        return errnoValue == EWOULDBLOCK ? std::string(platform::kLockedByAnotherProgram) : platform::SystemErrorText(errnoValue);
    };
    // Devices, pipes, sockets and folders are no tables or memo files: reading one could
    // block or never end. Checked before the open (which itself may act on a device) and
    // again on what was opened.
    if (!status.regular) refuse(platform::kNotARegularFile);
    platform::FileAccess access = platform::FileAccess::ReadWrite;
    if (FMode == pfReadOnly)
        access = platform::FileAccess::ReadOnly;
    else if (FMode == pfExclusiveOpen || FMode == pfExclusiveCreate)
        access = platform::FileAccess::ReadWriteExclusive;
    platform::OsError error;
    FStream = FFiles->Open(FFileName, access, error);
    if (!FStream) refuse(reasonFor(error.errnoValue));
    if (FStream->Type() != platform::FileType::Regular) refuse(platform::kNotARegularFile);
    // Shared access still respects a program that holds the table exclusively.
    if (FLockShared && IsSharedAccess()) {
        if (const int e = FStream->LockShared(); e != 0) refuse(reasonFor(e));
    }
    FCachedSize = CurrentSize();
    FNeedLocks = IsSharedAccess();
    FNeedRecalc = true;
    FActive = true;
}

void TPagedFile::CloseFile() {
    if (!FActive) return;
    if (FHeaderModified) WriteHeaderNow();
    if (FStream) FStream->Close();
    FStream.reset();
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
    if (FHeader.empty() || !FStream) return;
    // The header is written over what the file holds and never makes it longer.
    const platform::IoResult size = FStream->Size();
    if (size.error != 0) throw EPagedFile(STRING_WRITE_ERROR, FFileName);
    const auto count = static_cast<std::size_t>(
        std::clamp<std::int64_t>(size.count - FHeaderOffset, 0, static_cast<std::int64_t>(HeaderWriteSize())));
    std::size_t written = 0;
    while (written < count) {
        const platform::IoResult r =
            FStream->WriteAt(FHeader.data() + written, count - written, FHeaderOffset + static_cast<std::int64_t>(written));
        if (r.error != 0) throw EPagedFile(STRING_WRITE_ERROR, FFileName);
        if (r.count == 0) break;  // the file takes no more
        written += static_cast<std::size_t>(r.count);
    }
    if (count > 0 && written == 0) FWriteError = true;
    FCachedSize = std::max(FCachedSize, FHeaderOffset + static_cast<std::int64_t>(written));
    FAheadLength = 0;
}

int TPagedFile::FileRecordCount() {
    if (IsSharedAccess() && FStream) {
        const platform::IoResult size = FStream->Size();
        if (size.error == 0 && size.count != FCachedSize) {
            FCachedSize = size.count;
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
    if (count <= 0 || offset < 0 || !FStream) return 0;
    // Transfers are repeated until the count is read or the file ends.
    std::uint8_t* bytes = buffer;
    int done = 0;
    while (done < count) {
        ++FReadCount;
        const platform::IoResult r = FStream->ReadAt(bytes + done, static_cast<std::size_t>(count - done), offset + done);
        if (r.error == EAGAIN || r.error == EDEADLK) {
            // A region locked by another program: wait and read again.
            platform::SleepOneMillisecond();
            continue;
        }
        if (r.error != 0) throw EPagedFile(STRING_READ_ERROR, FFileName);
        if (r.count == 0) break;
        done += static_cast<int>(r.count);
    }
    return done;
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
