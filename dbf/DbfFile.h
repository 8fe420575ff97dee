// The table file: header, level, record count, companion files, descriptors and decoding.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dbf/DbfFieldDef.h"
#include "dbf/FieldValue.h"
#include "dbf/IndexFile.h"
#include "dbf/MemoFile.h"
#include "dbf/PagedFile.h"
#include "fields/FieldType.h"

namespace korvane::dbf {

// The memo extension of Visual FoxPro's own files (".dct" for a database container ".dbc",
// likewise .vcx, .scx, .frx, .lbx, .mnx and .pjx), in any letter case; "" for other tables.
std::string OwnMemoExtension(const std::string& tablePath);
// The companions a table may have whatever its level turns out to be: memo files, indexes, the
// .cpg file, and its own memo extension where it has one.
std::vector<std::string> CompanionExtensions(const std::string& tablePath);
// Whether `path` has the extension of a table's file (a table, memo, index or .cpg file,
// Visual FoxPro's own pairs), in any letter case.
bool IsTableFileName(const std::string& path);
// Why the reader gave up on the table at `path` without a message of its own (" (the file is
// too short to be a table)", a header length or record length of 0); empty for another reason.
std::string AbortReason(const std::string& path);
inline constexpr const char* kTooShortToBeATable = " (the file is too short to be a table)";

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

    // The table's records: as many as the header counts, fewer where the file holds fewer
    // whole records, and the slots behind the header's count while each begins with a
    // deletion flag (a blank or '*'). The first slot behind it that begins with any other
    // byte (an end-of-file marker, a zero byte) ends the table for good.
    int GetRecordCount() override;
    // Whole record slots the file holds behind the table's end (a final end-of-file byte not
    // counted): bytes that are no records, left by the program that wrote the table.
    int SlotsBehindEnd();
    // The record length the header states, the one the fields need (their widths and the
    // deletion flag), and whether records are read at the fields' length: only when they
    // need more than the header states and the file's size is a whole number of such
    // records but not of the header's.
    struct RecordLengths {
        int header = 0;
        int fields = 0;
        bool fieldsUsed = false;
        bool FieldsExceedHeader() const { return fields > header; }
    };
    const RecordLengths& RecordLength() const { return FRecordLengths; }

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
    // Visual FoxPro's own files (a database container .dbc, class libraries, forms, reports,
    // labels, menus, projects) keep their memos beside them under an extension of their own;
    // every other table uses .fpt at FoxPro level and .dbt elsewhere.
    std::string GetMemoExt() const;
    bool HasBlob() const;

    TDbfFieldDefs& FieldDefs() { return FFieldDefs; }
    TMemoFile* MemoFile() { return FMemoFile.get(); }
    const std::string& MemoFileName() const { return FMemoFileName; }
    // The table has memo fields and no memo file: a stand-in reads every memo as empty.
    bool MemoFileMissing() const { return dynamic_cast<const TNullMemoFile*>(FMemoFile.get()) != nullptr; }
    const std::string& IndexFileName() const { return FIndexFileName; }

    TXBaseVersion DbfVersion = xUnknown;
    TDateTimeHandling DateTimeHandling = dtBDETimeStamp;
    // The code page of a table whose header names none: the system's 8-bit page.
    std::uint32_t DefaultCodePage = 1250;

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
    // The record count as the header stored it, the records the table held when it was opened,
    // and whether the open wrote that count into the header.
    int StoredRecordCount() const { return FStoredRecordCount; }
    int OpenRecordCount() const { return FOpenRecordCount; }
    bool RecordCountCorrected() const { return FRecordCountCorrected; }
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
    // Whether the header holds dBase IV's 32-byte descriptors, whole, in place of level 7's.
    bool DescriptorsOfLevelV();
    void OpenMemoFile();
    void OpenProductionIndex();
    void ReadFieldProperties(std::int64_t position, int headerSize);
    void DecideRecordLength();
    // Reads character fields' widths as Clipper writes them where the record length says so;
    // `recordLength` is the fields' length, the deletion flag included.
    void ApplyClipperWidths(std::int32_t& recordLength);
    // The bytes behind the header, less one final end-of-file byte.
    std::int64_t DataAreaLength();
    // Looks at the slots behind those already found to be records, up to `inFile`.
    void CheckSlots(int inFile);

    std::uint32_t FFileCodePage = 0;
    std::uint32_t FUseCodePage = 0;
    std::uint8_t FFileLangId = 0;
    bool FForceClose = false;
    // A level 7 version byte over a dBase IV header: read at level V, the byte left as it is.
    bool FLevel7ByteOnLevelV = false;
    int FHeaderRecordCount = 0;  // the header's count as read at open (negative: 0)
    int FStoredRecordCount = 0;  // the same as stored
    int FOpenRecordCount = 0;    // the records the table held at open
    bool FRecordCountCorrected = false;
    int FCheckedSlots = 0;  // records found so far: the header's count and slots behind it
    bool FEndMet = false;   // a slot that is no record has ended the table
    int FFieldsLength = 0;  // the fields' widths and the deletion flag
    RecordLengths FRecordLengths;
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
