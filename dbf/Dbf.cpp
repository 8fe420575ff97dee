#include "dbf/Dbf.h"

#include <algorithm>
#include <cstring>

#include "dbf/DbfFormat.h"
#include "dbf/FieldNames.h"
#include "dbf/LanguageDriverTable.h"
#include "dbf/LanguageDrivers.h"
#include "fields/DatabaseError.h"
#include "fields/OtherFields.h"
#include "platform/CodePages.h"
#include "platform/Paths.h"

namespace korvane::dbf {

TDbf::TDbf() {
    FLanguageID = DefaultLanguageId();
    SetFilePath("");
}

std::uint8_t TDbf::DefaultLanguageId() const {
    return ConstructLangId(static_cast<int>(Settings.ansiCodePage), Settings.userLocale, false);
}

TDbf::~TDbf() {
    try {
        Close();
    } catch (...) {
    }
}

void TDbf::SetTableName(const std::string& value) {
    FTableName = platform::ExtractFileName(value);
    const std::string dir = platform::ExtractFilePath(value);
    if (!dir.empty()) SetFilePath(dir);
}

void TDbf::SetFilePath(const std::string& value) {
    if (Active()) throw EDatabaseError(SDataSetOpen);
    FFilePath = value.empty() ? value : platform::IncludeTrailingPathDelimiter(value);
    if (platform::IsFullFilePath(value))
        FFilePathFull = platform::IncludeTrailingPathDelimiter(value);
    else
        FFilePathFull = platform::GetCompletePath(platform::DbfBasePath(), FFilePath);
}

void TDbf::InternalOpen() {
    FTableShrank = false;
    FRecordsRead = 0;
    try {
        FDbfFile.reset();
        const TPagedFileMode mode = ReadOnly ? pfReadOnly : Exclusive ? pfExclusiveOpen : pfReadWriteOpen;
        FDbfFile = std::make_unique<TDbfFile>(PhysicalFileName(), mode);
        FDbfFile->SetFileSystem(*Files);
        FDbfFile->DateTimeHandling = DateTimeHandling;
        FDbfFile->DefaultCodePage = Settings.ansiCodePage;
        FDbfFile->SetIndexEvents(OnIndexMissing, OnIndexInvalid);
        FDbfFile->Open();
        // Without shared access nobody else changes the file, so records may be read ahead;
        // with it, only when asked (a reader that need not follow every change as it happens).
        FDbfFile->SetBufferAhead(!FDbfFile->IsSharedAccess() || ReadAhead);
        // Memos are mostly stored in the order of their records: the memo file alike.
        if (TMemoFile* memo = FDbfFile->MemoFile()) memo->SetBufferAhead(!FDbfFile->IsSharedAccess() || ReadAhead);
        if (FDbfFile->ForceClose()) throw EAbort();
        switch (FDbfFile->DbfVersion) {
            case xBaseIII:
                FTableLevel = 3;
                break;
            case xFoxPro:
                FTableLevel = 25;
                break;
            case xBaseVII:
                FTableLevel = 7;
                break;
            default:
                FTableLevel = 5;
                break;
        }
        if (FDbfFile->GetLanguageId() == 0) {
            const std::uint8_t language = DefaultLanguageId();
            FDbfFile->UseDefaultLanguage(static_cast<std::uint32_t>(LangId_To_CodePage[language]), language);
        }
        FLanguageID = FDbfFile->GetLanguageId();
        GetFieldDefsFromDbfFieldDefs();
        CreateFields();
        FBlobStreams.clear();
        FBlobStreams.resize(FieldDefs().size());
        DetermineTranslationMode();
        RunLanguageWarning();
        FSpareRecord.assign(RecordBufferSize(), 0);
        FCursor = std::make_unique<TDbfCursor>(FDbfFile.get());
        FCursor->First();
    } catch (...) {
        InternalClose();
        throw;
    }
}

void TDbf::InternalClose() {
    FTableShrank = false;
    FRecordsRead = 0;
    FBlobStreams.clear();
    FSpareRecord = {};
    DestroyFields();
    FCursor.reset();
    FDbfFile.reset();
}

void TDbf::GetFieldDefsFromDbfFieldDefs() {
    TFieldDefs& defs = FieldDefs();
    defs.clear();
    TDbfFieldDefs& list = FDbfFile->FieldDefs();
    const std::uint32_t ansi = Settings.ansiCodePage;
    std::vector<std::u16string> read(static_cast<std::size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const std::string& bytes = list.Items(i).FieldName;
        platform::MultiByteToWide(ansi, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
                                  read[static_cast<std::size_t>(i)]);
    }
    // Every name becomes an XML name first, then duplicates get 2, 3, ... appended.
    const std::vector<std::u16string> names = XmlFieldNames(read);
    for (int i = 0; i < list.Count(); ++i) {
        TDbfFieldDef& def = list.Items(i);
        const std::u16string& name = names[static_cast<std::size_t>(i)];
        if (name != read[static_cast<std::size_t>(i)]) {
            std::string bytes;
            platform::WideToMultiByte(ansi, name, bytes);
            def.FieldName = bytes;
        }
        TFieldDef fd;
        fd.Name = name;
        fd.DataType = def.FieldType;
        fd.Size = (def.FieldType == ftString || def.FieldType == ftBCD || def.FieldType == ftBytes ||
                   def.FieldType == ftVarBytes || def.FieldType == ftWideString)
                      ? def.Size
                      : 0;
        if (def.FieldType == ftFloat) fd.Precision = def.Precision;
        if (def.FieldType == ftBCD) fd.Precision = def.Precision;
        if (def.FieldType == ftAutoInc) fd.Attributes = faReadonly;
        if (def.IsLockField) fd.Attributes = faHiddenCol;
        defs.push_back(std::move(fd));
    }
}

void TDbf::DetermineTranslationMode() {
    const std::uint32_t c = GetCodePage();
    if (c == Settings.ansiCodePage)
        FTranslationMode = tmNoneNeeded;
    else if (c == Settings.oemCodePage)
        FTranslationMode = tmSimple;
    else if (platform::IsCodePageInstalled(c))
        FTranslationMode = tmAdvanced;
    else
        FTranslationMode = tmNoneAvailable;
}

void TDbf::RunLanguageWarning() {
    if (FTranslationMode != tmNoneAvailable) return;
    TDbfLanguageAction action = laReadOnly;
    if (OnLanguageWarning) OnLanguageWarning(*this, action);
    switch (action) {
        case laReadOnly:
            break;
        case laForceOEM:
            FDbfFile->SetUseCodePage(Settings.oemCodePage);
            FTranslationMode = tmSimple;
            break;
        case laForceANSI:
            FDbfFile->SetUseCodePage(Settings.ansiCodePage);
            FTranslationMode = tmNoneNeeded;
            break;
        case laDefault:
            FDbfFile->SetUseCodePage(Settings.ansiCodePage);
            DetermineTranslationMode();
            break;
    }
}

std::size_t TDbf::RecordBufferSize() {
    // The raw record and one spare byte.
    return static_cast<std::size_t>(FDbfFile ? FDbfFile->RecordSize() : 0) + 1;
}

int TDbf::GetRecordCount() {
    return FCursor ? static_cast<int>(FCursor->GetSequentialRecordCount()) : 0;
}

int TDbf::GetRecNo() {
    if (!FCursor) return 0;
    TRecordBuffer* buffer = ActiveBuffer();
    return buffer ? static_cast<int>(buffer->SequentialRecNo) : 0;
}

TGetResult TDbf::ReadCurrentRecord(TRecordBuffer& buffer, bool& acceptable) {
    const std::int32_t r = FCursor->GetPhysicalRecNo();
    if (r != 0 && FDbfFile->IsRecordPresent(r)) {
        // A record that the file no longer holds in full (another program made the table
        // shorter) ends the walk: its buffer would hold stale bytes.
        if (FDbfFile->ReadRecord(r, buffer.Data.data()) < FDbfFile->RecordSize()) {
            FTableShrank = true;
            acceptable = false;
            return grError;
        }
        FRecordsRead = std::max(FRecordsRead, static_cast<int>(r));
        acceptable = ShowDeleted || buffer.Data[0] != kDeletedFlag;
        return grOK;
    }
    acceptable = false;
    return grError;
}

TGetResult TDbf::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool /*check*/) {
    if (!FCursor) return grEOF;
    std::int64_t s = FCursor->GetSequentialRecNo();
    bool acceptable = false;
    TGetResult result;
    do {
        result = grOK;
        if (mode == gmNext) {
            acceptable = FCursor->Next();
            result = acceptable ? grOK : grEOF;
        } else if (mode == gmPrior) {
            acceptable = FCursor->Prev();
            result = acceptable ? grOK : grBOF;
        }
        if (result == grOK) {
            result = ReadCurrentRecord(buffer, acceptable);
            if (s == 0) s = FCursor->GetSequentialRecNo();
        }
        if (result == grOK && acceptable) {
            buffer.PhysicalRecNo = FCursor->GetPhysicalRecNo();
            buffer.BookmarkFlag = bfCurrent;
            buffer.SequentialRecNo = FCursor->GetSequentialRecNo();
        }
        if (mode == gmCurrent && !acceptable) result = grError;
    } while (result == grOK && !acceptable);
    if (result != grOK) {
        if (s != 0) FCursor->SetSequentialRecNo(s);
        buffer.PhysicalRecNo = -1;
    }
    return result;
}

std::span<const std::uint8_t> TDbf::CurrentRecordBytes() const {
    const std::span<const std::uint8_t> record = CurrentRecord();
    if (!FDbfFile) return {};
    // The buffer holds one spare byte behind the record; values never see it.
    return record.first(std::min(static_cast<std::size_t>(FDbfFile->RecordSize()), record.size()));
}

bool TDbf::GetFieldData(TField& field, void* buffer, bool nativeFormat) {
    const std::span<const std::uint8_t> record = CurrentRecordBytes();
    return !record.empty() && FDbfFile->GetFieldData(field.FieldNo - 1, field.DataType, record, buffer, nativeFormat);
}

TBlobStream* TDbf::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    // Reading is all this system does: the dataset is never in edit or insert mode.
    if (mode != bmRead) throw EDatabaseError(SNotEditing);
    const int i = field.FieldNo - 1;
    if (i < 0 || i >= static_cast<int>(FBlobStreams.size())) return nullptr;
    auto& slot = FBlobStreams[static_cast<std::size_t>(i)];
    if (!slot) slot = std::make_unique<TDbfBlobStream>(*this, field);
    TDbfBlobStream* stream = slot->AddReference();
    // The memo reference, asked for as an integer in non-native form.
    std::int32_t block = 0;
    const std::span<const std::uint8_t> record = CurrentRecordBytes();
    const bool present = !record.empty() && FDbfFile->GetFieldData(i, ftInteger, record, &block, false);
    if (!present) {
        if (!stream->Dirty()) {
            stream->Data().clear();
            stream->SetReadSize(0);
            stream->SetMemoRecNo(0);
        }
    } else {
        if (block != stream->MemoRecNo()) {
            TMemoFile* memo = FDbfFile->MemoFile();
            if (memo)
                memo->ReadMemo(block, stream->Data());
            else
                stream->Data().clear();
            stream->SetReadSize(static_cast<std::int32_t>(stream->Data().size()));
            stream->Translate(false);
        }
        stream->SetMemoRecNo(block);
    }
    stream->SetMode(mode);
    return stream;
}

int TDbf::Translate(std::uint8_t* source, std::uint8_t* dest, bool toOem) {
    if (!source || !dest) return 0;
    if (OnTranslate) {
        const int result = OnTranslate(*this, source, dest, toOem);
        return result != -1 ? result : static_cast<int>(std::strlen(reinterpret_cast<const char*>(dest)));
    }
    const std::uint32_t ansi = Settings.ansiCodePage;
    std::uint32_t from = ansi;
    std::uint32_t to = ansi;
    if (FTranslationMode != tmNoneNeeded) {
        if (toOem)
            to = GetCodePage();
        else
            from = GetCodePage();
    }
    return TranslateString(Settings, from, to, source, dest, -1);
}

}  // namespace korvane::dbf
