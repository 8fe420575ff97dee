#include "dbf/MemoFile.h"

#include <algorithm>
#include <cstring>

#include "dbf/DbfFormat.h"
#include "platform/Endian.h"

namespace korvane::dbf {

using platform::ReadU16BE;
using platform::ReadU16LE;
using platform::ReadU32BE;
using platform::ReadU32LE;

void TMemoFile::Open() {
    if (FOpened) return;
    OpenFile();
    // Blocks are numbered from the start of the file: block n starts at n x block length.
    SetHeaderSize(static_cast<int>(kMemoHeaderReadSize));
    if (FDbfVersion == xBaseIII && !FHeader.empty()) FHeader[kDbtVersionOffset] = 3;
    int blockLength = GetBlockLen();
    if (blockLength == 0 && FDbfVersion == xFoxPro) blockLength = static_cast<int>(kDefaultMemoBlockLength);
    // The header holds the block length; keep the header bytes as read when resizing.
    FHeaderModified = false;
    SetRecordSize(blockLength);
    FBlockLength = blockLength;
    FBuffer.assign(static_cast<std::size_t>(blockLength) + 2, 0);
    FOpened = true;
}

void TMemoFile::Close() {
    if (!FOpened) return;
    FHeaderModified = false;  // reading never changes a memo file
    CloseFile();
    FBuffer = {};
    FOpened = false;
}

bool TMemoFile::ReadMemoBlock(std::int64_t n) {
    const auto length = static_cast<std::size_t>(FBlockLength);
    std::fill(FBuffer.begin(), FBuffer.end(), std::uint8_t{0});
    if (!FStream.IsOpen()) return false;
    const std::int64_t got = ReadBlock(FBuffer.data(), static_cast<int>(length), n * FBlockLength);
    return got > 0;
}

void TMemoFile::ReadMemo(std::int32_t blockNo, std::vector<std::uint8_t>& dest) {
    dest.clear();
    if (blockNo <= 0 || FBlockLength <= 0) return;
    if (!ReadMemoBlock(blockNo)) return;
    const auto blockLength = static_cast<std::size_t>(FBlockLength);
    std::int64_t length = GetMemoSize();
    if (length != -1) {
        if (length <= 0) return;
        // A damaged length must neither exhaust memory nor invent bytes: keep what the file holds.
        const std::int64_t dataStart = static_cast<std::int64_t>(blockNo) * FBlockLength + static_cast<std::int64_t>(kMemoBlockHeaderSize);
        length = std::min(length, std::max<std::int64_t>(FStream.Size() - dataStart, 0));
        if (length <= 0) return;
        const auto total = static_cast<std::size_t>(length);
        dest.resize(total);
        std::size_t done = std::min(total, blockLength > kMemoBlockHeaderSize ? blockLength - kMemoBlockHeaderSize : 0);
        std::memcpy(dest.data(), FBuffer.data() + kMemoBlockHeaderSize, done);
        std::int64_t block = blockNo;
        while (done < total) {
            ReadMemoBlock(++block);
            const std::size_t part = std::min(total - done, blockLength);
            std::memcpy(dest.data() + done, FBuffer.data(), part);
            done += part;
        }
        return;
    }
    // Terminated form: the text runs over whole blocks up to 0x1A followed by 0x1A or 0x00.
    std::int64_t block = blockNo;
    for (;;) {
        const auto* first = static_cast<const std::uint8_t*>(std::memchr(FBuffer.data(), kEndOfFile, blockLength));
        if (first) {
            const auto k = static_cast<std::size_t>(first - FBuffer.data());
            if (k + 1 < blockLength && (FBuffer[k + 1] == kEndOfFile || FBuffer[k + 1] == 0)) {
                dest.insert(dest.end(), FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(k));
                return;
            }
        }
        dest.insert(dest.end(), FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(blockLength));
        const std::uint8_t last = FBuffer[blockLength - 1];
        if (!ReadMemoBlock(++block)) return;
        if (last == kEndOfFile && (FBuffer[0] == kEndOfFile || FBuffer[0] == 0)) {
            dest.pop_back();
            return;
        }
    }
}

int TDbaseMemoFile::GetBlockLen() {
    if (FDbfVersion == xBaseIII) return static_cast<int>(kDefaultMemoBlockLength);
    return ReadU16LE(FHeader, kDbtBlockLenOffset);
}

std::int64_t TDbaseMemoFile::GetMemoSize() {
    if (ReadU32LE(FBuffer, 0) != kDbtLengthFormSignature) return -1;
    // The stated length counts the 8 bytes of the block header; 8 or less is an empty memo.
    const std::uint32_t stated = ReadU32LE(FBuffer, 4);
    return stated <= 8 ? 0 : static_cast<std::int64_t>(stated) - 8;
}

int TFoxProMemoFile::GetBlockLen() { return ReadU16BE(FHeader, kFptBlockLenOffset); }

std::int64_t TFoxProMemoFile::GetMemoSize() {
    const std::uint32_t size = ReadU32BE(FBuffer, 4);
    return size >= 0x80000000u ? 0 : static_cast<std::int64_t>(size);
}

}  // namespace korvane::dbf
