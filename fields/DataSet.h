// A minimal dataset: open and close, the two record buffers, Next, EOF and BOF, field objects.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fields/BlobStream.h"
#include "fields/Field.h"
#include "fields/FieldDef.h"
#include "platform/Settings.h"

namespace korvane {

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// One record buffer: a small header, then the raw record bytes, deletion flag first.
struct TRecordBuffer {
    std::int32_t PhysicalRecNo = -1;
    TBookmarkFlag BookmarkFlag = bfCurrent;
    std::int64_t SequentialRecNo = 0;
    std::vector<std::uint8_t> Data;
};

class TDataSet {
public:
    TDataSet() = default;
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;
    virtual ~TDataSet() = default;

    // The system's code pages and regional formats the values are read and shown with; set
    // before the dataset is opened.
    platform::PlatformSettings Settings;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    void Next();
    int RecordCount() { return GetRecordCount(); }
    int RecNo() { return GetRecNo(); }

    TFieldDefs& FieldDefs() { return FFieldDefs; }
    const std::vector<std::unique_ptr<TField>>& Fields() const { return FFields; }

    // The raw bytes of the current record; empty when the dataset holds none.
    std::span<const std::uint8_t> CurrentRecord() const;

    // Value of a field of the current record (see the table's decoding); false means null.
    virtual bool GetFieldData(TField& field, void* buffer, bool nativeFormat) = 0;
    virtual TBlobStream* CreateBlobStream(TField& field, TBlobStreamMode mode) = 0;
    virtual int Translate(std::uint8_t* source, std::uint8_t* dest, bool toOem) = 0;

    // A work buffer of at least `size` bytes, kept across values.
    std::vector<std::uint8_t>& ScratchBuffer(std::size_t size);

protected:
    // The table's own open sequence; it cleans up after itself when it fails.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool check) = 0;
    virtual int GetRecordCount() = 0;
    virtual int GetRecNo() = 0;
    virtual std::size_t RecordBufferSize() = 0;

    void CreateFields();
    void DestroyFields() { FFields.clear(); }
    TRecordBuffer* ActiveBuffer() { return FRecordsHeld > 0 ? &FBuffers[FActiveIndex] : nullptr; }

private:
    void OpenDataSet();
    void CloseDataSet();

    bool FActive = false;
    bool FEof = true;
    bool FBof = true;
    TFieldDefs FFieldDefs;
    std::vector<std::unique_ptr<TField>> FFields;
    TRecordBuffer FBuffers[2];
    int FActiveIndex = 0;
    int FRecordsHeld = 0;
    std::vector<std::uint8_t> FScratch;
};

}  // namespace korvane
