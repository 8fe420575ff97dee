// The per-field memo stream: holds the last memo read for its field and its block number.
#pragma once

#include <cstdint>
#include <vector>

#include "fields/BlobStream.h"

namespace korvane {
class TField;
}

namespace korvane::dbf {

class TDbf;

class TDbfBlobStream : public TBlobStream {
public:
    TDbfBlobStream(TDbf& dbf, TField& field) : FDbf(dbf), FBlobField(field) {}

    std::span<const std::uint8_t> Bytes() const override { return FData; }
    void Release() override;
    TDbfBlobStream* AddReference() {
        ++FRefCount;
        return this;
    }

    bool GetTransliterate() const;
    // Translates the memo text in place, in chunks of at most 512 bytes.
    void Translate(bool toOem);

    std::vector<std::uint8_t>& Data() { return FData; }
    TField& BlobField() { return FBlobField; }
    TBlobStreamMode Mode() const { return FMode; }
    void SetMode(TBlobStreamMode mode) { FMode = mode; }
    bool Dirty() const { return FDirty; }
    std::int32_t MemoRecNo() const { return FMemoRecNo; }
    void SetMemoRecNo(std::int32_t n) { FMemoRecNo = n; }
    std::int32_t ReadSize() const { return FReadSize; }
    void SetReadSize(std::int32_t n) { FReadSize = n; }
    std::int32_t RefCount() const { return FRefCount; }

private:
    TDbf& FDbf;
    TField& FBlobField;
    TBlobStreamMode FMode = bmRead;
    bool FDirty = false;  // set by writing a memo, which this reader never does; kept for its callers
    std::int32_t FMemoRecNo = 0;
    std::int32_t FReadSize = 0;
    std::int32_t FRefCount = 1;  // the table's own reference
    std::vector<std::uint8_t> FData;
};

}  // namespace korvane::dbf
