// Memo files: .dbt (dBase) and .fpt (FoxPro), read block by block.
#pragma once

#include <cstdint>
#include <vector>

#include "dbf/DbfFieldDef.h"
#include "dbf/PagedFile.h"

namespace korvane::dbf {

class TMemoFile : public TPagedFile {
public:
    explicit TMemoFile(TXBaseVersion version) : FDbfVersion(version) { FPageOffsetByHeader = false; }

    void Open();
    void Close();
    // Replaces `dest` by the memo that starts at block `blockNo`.
    void ReadMemo(std::int32_t blockNo, std::vector<std::uint8_t>& dest);

    virtual int GetBlockLen() = 0;
    // The length the block states, or -1 when it states none (the terminated form).
    virtual std::int64_t GetMemoSize() = 0;
    int BlockLength() const { return FBlockLength; }

protected:
    // Reads block n into FBuffer, zero-filling what the file lacks; false when nothing was read.
    bool ReadMemoBlock(std::int64_t n);

    TXBaseVersion FDbfVersion;
    std::vector<std::uint8_t> FBuffer;  // block length + 2 bytes, the last two always zero
    bool FOpened = false;
    int FMemoRecordSize = 0;
    int FBlockLength = 0;
};

class TDbaseMemoFile : public TMemoFile {
public:
    using TMemoFile::TMemoFile;
    int GetBlockLen() override;
    std::int64_t GetMemoSize() override;
};

class TFoxProMemoFile : public TMemoFile {
public:
    using TMemoFile::TMemoFile;
    int GetBlockLen() override;
    std::int64_t GetMemoSize() override;
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
    std::int64_t GetMemoSize() override { return 0; }
};

}  // namespace korvane::dbf
