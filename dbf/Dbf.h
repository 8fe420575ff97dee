// The table object: settings, open and close, the record walk, values, memos, translation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dbf/DbfBlobStream.h"
#include "dbf/DbfCursor.h"
#include "dbf/DbfFile.h"
#include "dbf/Translation.h"
#include "fields/DataSet.h"

namespace korvane::dbf {

class TDbf;

enum TDbfOpenMode { omNormal, omAutoCreate, omTemporary };
enum TDbfStorage { stoMemory, stoFile };
enum TDbfLanguageAction { laReadOnly, laForceOEM, laForceANSI, laDefault };

// Translates zero-terminated 8-bit text from `source` into `dest` (possibly the same
// buffer); returns the length of the result, or -1 to let the table count it.
using TTranslateEvent = std::function<int(TDbf& dbf, const std::uint8_t* source, std::uint8_t* dest, bool toOem)>;
using TLanguageWarningEvent = std::function<void(TDbf& sender, TDbfLanguageAction& action)>;

class TDbf : public TDataSet {
public:
    TDbf();
    ~TDbf() override;

    const std::string& TableName() const { return FTableName; }
    void SetTableName(const std::string& value);
    const std::string& FilePath() const { return FFilePath; }
    void SetFilePath(const std::string& value);
    const std::string& FilePathFull() const { return FFilePathFull; }
    std::string PhysicalFileName() const { return FFilePathFull + FTableName; }

    bool ReadOnly = false;
    bool Exclusive = false;
    bool ShowDeleted = false;
    // Read records in 64 KiB blocks also with shared access (the record count still follows
    // the file's size).
    bool ReadAhead = false;
    // Where the table and its companions are opened from.
    platform::IFileSystem* Files = &platform::SystemFiles();
    TDbfOpenMode OpenMode = omNormal;
    TDbfStorage Storage = stoFile;
    TDateTimeHandling DateTimeHandling = dtBDETimeStamp;
    TTranslateEvent OnTranslate;
    TDbfIndexMissingEvent OnIndexMissing;
    TDbfIndexInvalidEvent OnIndexInvalid;
    TLanguageWarningEvent OnLanguageWarning;

    int TableLevel() const { return FTableLevel; }
    std::uint8_t LanguageID() const { return FLanguageID; }
    TDbfTranslationMode TranslationMode() const { return FTranslationMode; }
    std::uint32_t GetCodePage() const { return FDbfFile ? FDbfFile->UseCodePage() : 0; }
    TDbfFieldDefs* GetDbfFieldDefs() { return FDbfFile ? &FDbfFile->FieldDefs() : nullptr; }
    TDbfFile* DbfFile() { return FDbfFile.get(); }
    // The companion files the open found, or empty.
    std::string MemoFileName() const { return FDbfFile ? FDbfFile->MemoFileName() : std::string(); }
    std::string IndexFileName() const { return FDbfFile ? FDbfFile->IndexFileName() : std::string(); }
    bool MemoFileMissing() const { return FDbfFile && FDbfFile->MemoFileMissing(); }
    void DetermineTranslationMode();
    // True when the walk ended early because the file became shorter than a record it counted.
    bool TableShrank() const { return FTableShrank; }
    // How many records the walk has read so far: the physical number of the last record read
    // in full, deleted ones included.
    int RecordsRead() const { return FRecordsRead; }

    // The current record's bytes (without the buffer's spare byte); empty when there is none.
    std::span<const std::uint8_t> CurrentRecordBytes() const;

    bool GetFieldData(TField& field, void* buffer, bool nativeFormat) override;
    TBlobStream* CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    int Translate(std::uint8_t* source, std::uint8_t* dest, bool toOem) override;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool check) override;
    int GetRecordCount() override;
    int GetRecNo() override;
    std::size_t RecordBufferSize() override;
    TGetResult ReadCurrentRecord(TRecordBuffer& buffer, bool& acceptable);

private:
    // The language driver of a table whose header names none: from the system's 8-bit page
    // and the user's locale.
    std::uint8_t DefaultLanguageId() const;
    void GetFieldDefsFromDbfFieldDefs();
    void RunLanguageWarning();

    std::string FTableName;
    std::string FFilePath;
    std::string FFilePathFull;
    int FTableLevel = 5;
    std::uint8_t FLanguageID = 0;
    TDbfTranslationMode FTranslationMode = tmNoneNeeded;
    std::unique_ptr<TDbfFile> FDbfFile;
    std::unique_ptr<TVirtualCursor> FCursor;
    std::vector<std::unique_ptr<TDbfBlobStream>> FBlobStreams;
    std::vector<std::uint8_t> FSpareRecord;
    bool FTableShrank = false;
    int FRecordsRead = 0;
};

}  // namespace korvane::dbf
