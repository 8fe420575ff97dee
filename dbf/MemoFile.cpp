#include "dbf/MemoFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "dbf/DbfFormat.h"
#include "platform/Endian.h"

namespace korvane::dbf {

using platform::ReadU16BE;
using platform::ReadU16LE;
using platform::ReadU32BE;
using platform::ReadU32LE;

namespace {
// Memos longer than a block are read in pieces of about this size, whatever the block length.
constexpr std::size_t kMemoReadPiece = 64 * 1024;
// The first read of a memo.
constexpr std::size_t kMemoFirstRead = 4096;
}  // namespace

void TMemoFile::Open() {
    if (FOpened) return;
    OpenFile();
    // Blocks are numbered from the start of the file: block n starts at n x block length.
    SetHeaderSize(static_cast<int>(kMemoHeaderReadSize));
    if (FDbfVersion == xBaseIII && !FHeader.empty()) FHeader[kDbtVersionOffset] = 3;
    int blockLength = GetBlockLen();
    // A memo file whose header states no block length uses 512, as FoxPro writes them
    // (dBase III files always have 512).
    if (blockLength == 0 && (FDbfVersion == xFoxPro || FStream)) blockLength = static_cast<int>(kDefaultMemoBlockLength);
    // The header holds the block length; keep the header bytes as read when resizing.
    FHeaderModified = false;
    SetRecordSize(blockLength);
    FBlockLength = blockLength;
    FBuffer.assign(kMemoBlockHeaderSize + 2, 0);
    FOpened = true;
}

void TMemoFile::Close() {
    if (!FOpened) return;
    FHeaderModified = false;  // reading never changes a memo file
    CloseFile();
    FBuffer = {};
    FOpened = false;
}

std::size_t TMemoFile::FetchRun(std::int64_t offset, std::size_t count) {
    if (FBuffer.size() < count + 2) FBuffer.resize(count + 2);
    const int got = FStream ? ReadBuffered(FBuffer.data(), static_cast<int>(count), offset) : 0;
    const std::size_t n = got > 0 ? static_cast<std::size_t>(got) : 0;
    std::fill(FBuffer.begin() + static_cast<std::ptrdiff_t>(n), FBuffer.begin() + static_cast<std::ptrdiff_t>(count + 2),
              std::uint8_t{0});
    return n;
}

// The pieces of one memo on their way to a sink: at most `limit` bytes of them, and a final
// end-of-file byte held back until what follows it tells whether it ends the memo.
class TMemoFile::Pieces {
public:
    Pieces(const MemoSink& sink, std::int64_t limit) : FSink(sink), FLeft(limit < 0 ? INT64_MAX : limit) {}
    // The bytes belong to the memo (and so does a byte held back before them).
    void Put(const std::uint8_t* bytes, std::size_t count) {
        Release();
        Emit(bytes, count);
    }
    // The same, but the last byte, an end-of-file byte, is held back.
    void PutHoldingLast(const std::uint8_t* bytes, std::size_t count) {
        Put(bytes, count - 1);
        FHeld = true;
    }
    // The byte held back ended the memo: it is no part of it.
    void DropHeld() { FHeld = false; }
    // The memo ends here; a byte still held back is part of it.
    void Finish() { Release(); }
    bool Full() const { return FLeft == 0; }

private:
    void Release() {
        if (!FHeld) return;
        FHeld = false;
        Emit(&kEndOfFile, 1);
    }
    void Emit(const std::uint8_t* bytes, std::size_t count) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), FLeft));
        if (n == 0) return;
        FSink({bytes, n});
        FLeft -= static_cast<std::int64_t>(n);
    }

    const MemoSink& FSink;
    std::int64_t FLeft;
    bool FHeld = false;
};

void TMemoFile::ReadMemo(std::int32_t blockNo, std::vector<std::uint8_t>& dest) {
    dest.clear();
    ReadMemo(blockNo, [&](std::span<const std::uint8_t> piece) { dest.insert(dest.end(), piece.begin(), piece.end()); });
}

void TMemoFile::ReadMemo(std::int32_t blockNo, const MemoSink& sink, std::int64_t limit) {
    if (blockNo <= 0 || FBlockLength <= 0 || !FStream) return;
    Pieces out(sink, limit);
    // A memo is the run of bytes from block number x block length on. With blocks of 8 bytes
    // or more it is read as whole blocks; with smaller ones (FoxPro 9 writes a block length
    // of 1) the run is one stream whose first 8 bytes hold the memo's header.
    const auto blockLength = static_cast<std::size_t>(FBlockLength);
    const bool wholeBlocks = blockLength >= kMemoBlockHeaderSize;
    const std::int64_t start = static_cast<std::int64_t>(blockNo) * FBlockLength;
    // The first read takes whole blocks up to 4 KiB, which hold most memos entirely.
    const std::size_t first =
        wholeBlocks ? std::max<std::size_t>(1, kMemoFirstRead / blockLength) * blockLength : kDefaultMemoBlockLength;
    const std::size_t got = FetchRun(start, first);
    if (got == 0) return;  // the memo lies beyond the end of the file
    const std::int64_t length = GetMemoSize(std::span<const std::uint8_t>(FBuffer).first(kMemoBlockHeaderSize));
    if (length != -1)
        ReadLengthForm(start + static_cast<std::int64_t>(kMemoBlockHeaderSize), length, got, out);
    else if (wholeBlocks)
        ReadTerminatedBlocks(blockNo, got, out);
    else
        ReadTerminatedRun(start, got, first, out);
    out.Finish();
}

void TMemoFile::ReadLengthForm(std::int64_t dataStart, std::int64_t length, std::size_t firstGot, Pieces& out) {
    if (length <= 0) return;
    // A damaged length must neither exhaust memory nor invent bytes: keep what the file holds
    // (a memo that the first read or the read-ahead buffer holds whole is there).
    const std::int64_t known =
        std::max<std::int64_t>(BufferedFrom(dataStart),
                               firstGot > kMemoBlockHeaderSize ? static_cast<std::int64_t>(firstGot - kMemoBlockHeaderSize) : 0);
    if (length > known) length = std::min(length, std::max<std::int64_t>(CurrentSize() - dataStart, 0));
    if (length <= 0) return;
    const auto total = static_cast<std::size_t>(length);
    std::size_t done = std::min(total, firstGot > kMemoBlockHeaderSize ? firstGot - kMemoBlockHeaderSize : 0);
    out.Put(FBuffer.data() + kMemoBlockHeaderSize, done);
    while (done < total && !out.Full()) {
        const std::size_t piece = std::min(total - done, kMemoReadPiece);
        const std::size_t got = FetchRun(dataStart + static_cast<std::int64_t>(done), piece);
        // The file became shorter meanwhile: the rest reads as zeros (FetchRun filled them in).
        out.Put(FBuffer.data(), got > 0 ? piece : 0);
        if (got == 0) {
            std::fill(FBuffer.begin(), FBuffer.end(), std::uint8_t{0});
            for (done += piece; done < total && !out.Full(); done += piece)
                out.Put(FBuffer.data(), std::min(total - done, piece));
            return;
        }
        done += piece;
    }
}

// The terminated form over whole blocks: in each block only the first 0x1A is looked at, and
// it ends the memo when a 0x1A or 0x00 follows it, also as the first byte of the next block.
// A block that the file holds only in part reads as zeros where the file ends.
void TMemoFile::ReadTerminatedBlocks(std::int64_t blockNo, std::size_t got, Pieces& out) {
    const auto blockLength = static_cast<std::size_t>(FBlockLength);
    std::size_t requested = blockLength;
    std::int64_t next = blockNo;
    bool lastWasEnd = false;
    for (;;) {
        const std::size_t blocks = (got + blockLength - 1) / blockLength;
        for (std::size_t i = 0; i < blocks; ++i) {
            const std::uint8_t* block = FBuffer.data() + i * blockLength;
            if (lastWasEnd && (block[0] == kEndOfFile || block[0] == 0)) {
                out.DropHeld();
                return;
            }
            if (const auto* end = static_cast<const std::uint8_t*>(std::memchr(block, kEndOfFile, blockLength))) {
                const auto k = static_cast<std::size_t>(end - block);
                if (k + 1 < blockLength && (block[k + 1] == kEndOfFile || block[k + 1] == 0)) {
                    out.Put(block, k);
                    return;
                }
            }
            lastWasEnd = block[blockLength - 1] == kEndOfFile;
            if (lastWasEnd)
                out.PutHoldingLast(block, blockLength);
            else
                out.Put(block, blockLength);
            if (out.Full()) return;
        }
        if (got < requested) return;  // the file ends here
        next += static_cast<std::int64_t>(blocks);
        requested = std::max<std::size_t>(1, kMemoReadPiece / blockLength) * blockLength;
        got = FetchRun(next * FBlockLength, requested);
        if (got == 0) return;
    }
}

// The terminated form over a run of bytes: it ends at the first 0x1A followed by 0x1A or
// 0x00; the end of the file counts as 0x00.
void TMemoFile::ReadTerminatedRun(std::int64_t offset, std::size_t got, std::size_t requested, Pieces& out) {
    bool lastWasEnd = false;
    for (;;) {
        const std::uint8_t* run = FBuffer.data();
        if (lastWasEnd) {
            if (got == 0 || run[0] == kEndOfFile || run[0] == 0) {
                out.DropHeld();
                return;
            }
            lastWasEnd = false;
        }
        if (got == 0) return;
        // Bytes past `got` are zeros, which is what the file's end reads as.
        const bool fileEnds = got < requested;
        std::size_t from = 0;
        while (const auto* end = static_cast<const std::uint8_t*>(std::memchr(run + from, kEndOfFile, got - from))) {
            const auto k = static_cast<std::size_t>(end - run);
            if (k + 1 == got && !fileEnds) {
                lastWasEnd = true;  // the next piece decides
                break;
            }
            if (run[k + 1] == kEndOfFile || run[k + 1] == 0) {
                out.Put(run, k);
                return;
            }
            from = k + 1;
        }
        if (lastWasEnd)
            out.PutHoldingLast(run, got);
        else
            out.Put(run, got);
        if (fileEnds || out.Full()) return;
        offset += static_cast<std::int64_t>(got);
        requested = kMemoReadPiece;
        got = FetchRun(offset, requested);
    }
}

int TDbaseMemoFile::GetBlockLen() {
    if (FDbfVersion == xBaseIII) return static_cast<int>(kDefaultMemoBlockLength);
    return ReadU16LE(FHeader, kDbtBlockLenOffset);
}

std::int64_t TDbaseMemoFile::GetMemoSize(std::span<const std::uint8_t> head) {
    if (ReadU32LE(head, 0) != kDbtLengthFormSignature) return -1;
    // The stated length counts the 8 bytes of the block header; 8 or less is an empty memo.
    const std::uint32_t stated = ReadU32LE(head, 4);
    return stated <= 8 ? 0 : static_cast<std::int64_t>(stated) - 8;
}

int TFoxProMemoFile::GetBlockLen() {
    return ReadU16BE(FHeader, kFptBlockLenOffset);
}

std::int64_t TFoxProMemoFile::GetMemoSize(std::span<const std::uint8_t> head) {
    const std::uint32_t size = ReadU32BE(head, 4);
    return size >= 0x80000000u ? 0 : static_cast<std::int64_t>(size);
}

}  // namespace korvane::dbf
