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

// The pieces of one memo on their way to a sink: at most `limit` bytes of them.
class TMemoFile::Pieces {
public:
    Pieces(const MemoSink& sink, std::int64_t limit) : FSink(sink), FLeft(limit < 0 ? INT64_MAX : limit) {}
    void Put(const std::uint8_t* bytes, std::size_t count) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), FLeft));
        if (n == 0) return;
        FSink({bytes, n});
        FLeft -= static_cast<std::int64_t>(n);
    }
    bool Full() const { return FLeft == 0; }

private:
    const MemoSink& FSink;
    std::int64_t FLeft;
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
    if (got == 0) return Cut(blockNo);  // the memo lies beyond the end of the file
    const std::int64_t length = GetMemoSize(std::span<const std::uint8_t>(FBuffer).first(kMemoBlockHeaderSize));
    const bool whole = length != -1 ? ReadLengthForm(start + static_cast<std::int64_t>(kMemoBlockHeaderSize), length, got, out)
                                    : ReadTerminated(start, got, first, out);
    if (!whole) Cut(blockNo);
}

void TMemoFile::Cut(std::int32_t blockNo) {
    if (OnCut) OnCut(blockNo);
}

bool TMemoFile::ReadLengthForm(std::int64_t dataStart, std::int64_t length, std::size_t firstGot, Pieces& out) {
    if (length <= 0) return true;
    // A damaged length must neither exhaust memory nor invent bytes: keep what the file holds
    // (a memo that the first read or the read-ahead buffer holds whole is there).
    const std::int64_t known =
        std::max<std::int64_t>(BufferedFrom(dataStart),
                               firstGot > kMemoBlockHeaderSize ? static_cast<std::int64_t>(firstGot - kMemoBlockHeaderSize) : 0);
    bool whole = true;
    if (length > known) {
        const std::int64_t held = std::max<std::int64_t>(CurrentSize() - dataStart, 0);
        whole = length <= held;
        length = std::min(length, held);
    }
    if (length <= 0) return whole;
    const auto total = static_cast<std::size_t>(length);
    std::size_t done = std::min(total, firstGot > kMemoBlockHeaderSize ? firstGot - kMemoBlockHeaderSize : 0);
    out.Put(FBuffer.data() + kMemoBlockHeaderSize, done);
    while (done < total && !out.Full()) {
        const std::size_t piece = std::min(total - done, kMemoReadPiece);
        const std::size_t got = FetchRun(dataStart + static_cast<std::int64_t>(done), piece);
        // The file became shorter meanwhile: the memo ends with the bytes it still holds.
        out.Put(FBuffer.data(), got);
        if (got < piece) return false;
        done += piece;
    }
    return whole;
}

// The terminated form ends at its first 0x1A. Clipper and Harbour rewrite a shorter memo in
// place with one 0x1A behind it and leave the older, longer text after that, and they read a
// memo up to that first 0x1A, as every reader of such files does. A memo whose 0x1A the file
// does not hold runs out of it: it keeps the bytes the file holds.
bool TMemoFile::ReadTerminated(std::int64_t offset, std::size_t got, std::size_t requested, Pieces& out) {
    for (;;) {
        if (got == 0) return false;
        if (const auto* end = static_cast<const std::uint8_t*>(std::memchr(FBuffer.data(), kEndOfFile, got))) {
            out.Put(FBuffer.data(), static_cast<std::size_t>(end - FBuffer.data()));
            return true;
        }
        out.Put(FBuffer.data(), got);
        if (out.Full()) return true;
        if (got < requested) return false;
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
