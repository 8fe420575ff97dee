// The table file: header, level, record count, companion files, descriptors and decoding.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "dbf/DbfFieldDef.h"
#include "dbf/FieldValue.h"
#include "dbf/IndexFile.h"
#include "dbf/MemoFile.h"
#include "dbf/PagedFile.h"
#include "fields/FieldType.h"

namespace korvane::dbf {

// Raises the field count error for more than 4,095 descriptors.
void CheckFieldCount(int count);

class TDbfFile;
using TDbfIndexMissingEvent = std::function<void(bool& deleteLink)>;
using TDbfIndexInvalidEvent = std::function<void(TDbfFile& sender, bool& handled, bool& deleteLink)>;

class TDbfFile : public TPagedFile {
public:
    TDbfFile(std::string fileName, TPagedFileMode mode);
    ~TDbfFile() override;

    void Open();
    void Close();
    void ConstructFieldDefs();
    void WriteHeader() override;
    bool IsRecordPresent(int n);

    // Decodes field `column` of a record (see the value decoding); false means null.
    bool GetFieldData(int column, TFieldType kind, std::span<const std::uint8_t> source, void* dest, bool nativeFormat);
    bool GetFieldDataFromDef(const TDbfFieldDef& def, TFieldType kind, std::span<const std::uint8_t> source, void* dest,
                             bool nativeFormat);
    // The typed value of field `column` of a record, as GetFieldData decodes it for a
    // destination; nothing for a column the table does not have or an empty record.
    DecodedField DecodeField(int column, TFieldType kind, std::span<const std::uint8_t> record) const;

    // Whether the record's _NULLFLAGS bit marks the field null (false without one).
    bool NullFlagSet(const TDbfFieldDef& def, std::span<const std::uint8_t> record) const {
        return dbf::NullFlagSet(FNullField, def, record);
    }

    std::uint8_t GetLanguageId() const;
    // The level 7 driver name: the 32 header bytes at offset 32; empty at other levels.
    std::string LanguageStr() const;
    std::string GetMemoExt() const { return DbfVersion == xFoxPro ? ".fpt" : ".dbt"; }
    bool HasBlob() const;

    TDbfFieldDefs& FieldDefs() { return FFieldDefs; }
    TMemoFile* MemoFile() { return FMemoFile.get(); }
    const std::string& MemoFileName() const { return FMemoFileName; }
    // The table has memo fields and no memo file: a stand-in reads every memo as empty.
    bool MemoFileMissing() const { return dynamic_cast<const TNullMemoFile*>(FMemoFile.get()) != nullptr; }
    const std::string& IndexFileName() const { return FIndexFileName; }

    TXBaseVersion DbfVersion = xUnknown;
    TDateTimeHandling DateTimeHandling = dtBDETimeStamp;

    // The code page the table's driver declares (0: none), and the one text is read in.
    std::uint32_t FileCodePage() const { return FFileCodePage; }
    std::uint32_t UseCodePage() const { return FUseCodePage; }
    std::uint8_t FileLangId() const { return FFileLangId; }
    // A table that declares no driver is read with the defaults of the process.
    void UseDefaultLanguage(std::uint32_t codePage, std::uint8_t langId) {
        FUseCodePage = codePage;
        FFileLangId = langId;
    }
    void SetUseCodePage(std::uint32_t codePage) { FUseCodePage = codePage; }
    // The open found the table unusable (a zero header or record length, a refused index).
    bool ForceClose() const { return FForceClose; }
    const TDbfFieldDef* NullField() const { return FNullField; }
    // What decoding a value needs besides its field.
    FieldDecodingContext DecodingContext() const { return {DbfVersion, DateTimeHandling, FNullField}; }
    bool AutoIncPresent() const { return FAutoIncPresent; }
    void SetIndexEvents(TDbfIndexMissingEvent missing, TDbfIndexInvalidEvent invalid) {
        FOnIndexMissing = std::move(missing);
        FOnIndexInvalid = std::move(invalid);
    }

protected:
    // Everything the open corrects lies in the main header's first 32 bytes.
    std::size_t HeaderWriteSize() const override;

private:
    void DecideLevel();
    void DecideCodePage();
    void OpenMemoFile();
    void OpenProductionIndex();
    void ReadFieldProperties(std::int64_t position, int headerSize);

    std::uint32_t FFileCodePage = 0;
    std::uint32_t FUseCodePage = 0;
    std::uint8_t FFileLangId = 0;
    bool FForceClose = false;
    TDbfFieldDef* FLockField = nullptr;
    TDbfFieldDef* FNullField = nullptr;
    bool FAutoIncPresent = false;
    int FLockUserLen = 0;
    TDbfIndexMissingEvent FOnIndexMissing;
    TDbfIndexInvalidEvent FOnIndexInvalid;
    TDbfFieldDefs FFieldDefs;
    std::unique_ptr<TMemoFile> FMemoFile;
    std::unique_ptr<TIndexFile> FMdxFile;
    std::string FMemoFileName;
    std::string FIndexFileName;
};

}  // namespace korvane::dbf
