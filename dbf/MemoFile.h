// Memo files: .dbt (dBase) and .fpt (FoxPro), read block by block.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "dbf/DbfFieldDef.h"
#include "dbf/PagedFile.h"

namespace korvane::dbf {

// Takes a memo's bytes piece by piece, in order.
using MemoSink = std::function<void(std::span<const std::uint8_t>)>;

class TMemoFile : public TPagedFile {
public:
    explicit TMemoFile(TXBaseVersion version) : FDbfVersion(version) { FPageOffsetByHeader = false; }

    void Open();
    void Close();
    // Replaces `dest` by the memo that starts at block `blockNo`.
    void ReadMemo(std::int32_t blockNo, std::vector<std::uint8_t>& dest);
    // Hands the memo that starts at block `blockNo` to `sink` in pieces of at most 64 KiB (a
    // memo file block longer than that in one), stopping after `limit` bytes when it is not
    // negative; memory does not grow with the memo.
    void ReadMemo(std::int32_t blockNo, const MemoSink& sink, std::int64_t limit = -1);

    // Told of every memo read that runs past the end of the memo file (a pointer or a length
    // past it, a chain of blocks the file ends in): the memo keeps only the bytes the file holds.
    std::function<void(std::int32_t blockNo)> OnCut;

    virtual int GetBlockLen() = 0;
    // The length that a memo's first 8 bytes state, or -1 when they state none (the
    // terminated form).
    virtual std::int64_t GetMemoSize(std::span<const std::uint8_t> head) = 0;
    int BlockLength() const { return FBlockLength; }

protected:
    // Reads `count` bytes at `offset` into FBuffer, zero-filling what the file lacks (and two
    // bytes more); returns how many bytes the file gave.
    std::size_t FetchRun(std::int64_t offset, std::size_t count);
    class Pieces;
    // Each reads a memo's bytes to `out`; false when the memo runs past the end of the file.
    bool ReadLengthForm(std::int64_t dataStart, std::int64_t length, std::size_t firstGot, Pieces& out);
    // A memo without a stated length, from `offset` on, `got` of the `requested` first bytes
    // in FBuffer.
    bool ReadTerminated(std::int64_t offset, std::size_t got, std::size_t requested, Pieces& out);
    void Cut(std::int32_t blockNo);

    TXBaseVersion FDbfVersion;
    std::vector<std::uint8_t> FBuffer;  // the bytes of the last read, two zero bytes behind them
    bool FOpened = false;
    int FMemoRecordSize = 0;
    int FBlockLength = 0;
};

class TDbaseMemoFile : public TMemoFile {
public:
    using TMemoFile::TMemoFile;
    int GetBlockLen() override;
    std::int64_t GetMemoSize(std::span<const std::uint8_t> head) override;
};

class TFoxProMemoFile : public TMemoFile {
public:
    using TMemoFile::TMemoFile;
    int GetBlockLen() override;
    std::int64_t GetMemoSize(std::span<const std::uint8_t> head) override;
};

// Stands in for a memo file that does not exist: no file, every memo empty.
class TNullMemoFile : public TMemoFile {
public:
    using TMemoFile::TMemoFile;
    void SetHeaderOffset(std::int64_t) override { FHeaderOffset = 0; }
    void SetRecordSize(int) override { FRecordSize = 0; }
    void SetHeaderSize(int) override { FHeaderSize = 0; }
    void OpenFile() override {}
    void CloseFile() override {}
    int ReadRecord(int, std::uint8_t*) override { return 0; }
    int GetBlockLen() override { return 0; }
    std::int64_t GetMemoSize(std::span<const std::uint8_t>) override { return 0; }
};

}  // namespace korvane::dbf
