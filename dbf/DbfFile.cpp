#include "dbf/DbfFile.h"

#include <algorithm>

#include "dbf/DbfErrors.h"
#include "dbf/DbfFormat.h"
#include "dbf/DbfGlobals.h"
#include "dbf/LanguageDriverTable.h"
#include "dbf/LanguageDrivers.h"
#include "dbf/Messages.h"
#include "platform/Endian.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/System.h"

namespace korvane::dbf {

using platform::ReadI32LE;
using platform::ReadU16LE;

TDbfFile::TDbfFile(std::string fileName, TPagedFileMode mode) {
    FFileName = std::move(fileName);
    FMode = mode;
    FLockShared = true;
}

TDbfFile::~TDbfFile() {
    try {
        Close();
    } catch (...) {
    }
}

void TDbfFile::DecideLevel() {
    const std::uint8_t v = FHeader[kHdrVersion];
    switch (v & 7) {
        case 3:
            DbfVersion = FHeader[kHdrLanguageId] == 0 ? xBaseIII : xBaseV;
            break;
        case 4:
            DbfVersion = xBaseVII;
            break;
        case 2:
        case 5:
            DbfVersion = xFoxPro;
            break;
        default:
            if ((v & 0xFE) != 0x30) throw EDbfError(STRING_INVALID_DBF_FILE);
            DbfVersion = xFoxPro;
            break;
    }
    FFieldDefs.DbfVersion = DbfVersion;
}

void TDbfFile::Open() {
    if (FActive) return;
    bool headerChanged = false;
    OpenFile();
    SetHeaderSize(static_cast<int>(kMainHeaderSize));
    DecideLevel();
    const int recordSize = ReadU16LE(FHeader, kHdrRecordSize);
    const int headerSize = ReadU16LE(FHeader, kHdrHeaderSize);
    // A header shorter than the main header cannot describe a table.
    if (headerSize > 0 && headerSize < static_cast<int>(kMainHeaderSize)) throw EDbfError(STRING_INVALID_DBF_FILE);
    SetRecordSize(recordSize);
    SetHeaderSize(headerSize);
    if (headerSize == 0 || recordSize == 0) {
        SetHeaderSize(0);
        SetRecordSize(0);
        FRecordCount = 0;
        FNeedRecalc = false;
        FForceClose = true;
        return;
    }
    DecideCodePage();
    ConstructFieldDefs();

    const int count = GetRecordCount();
    if (count != ReadI32LE(FHeader, kHdrRecordCount)) {
        platform::WriteU32LE(FHeader, kHdrRecordCount, static_cast<std::uint32_t>(count));
        headerChanged = true;
    }

    OpenMemoFile();
    if (DbfVersion != xFoxPro) {
        const std::uint8_t before = FHeader[kHdrVersion];
        FHeader[kHdrVersion] =
            HasBlob() ? static_cast<std::uint8_t>(before | kMemoBit) : static_cast<std::uint8_t>(before & ~kMemoBit);
        headerChanged |= FHeader[kHdrVersion] != before;
    }

    const std::uint8_t mdxBefore = FHeader[kHdrMdxFlag];
    OpenProductionIndex();
    headerChanged |= FHeader[kHdrMdxFlag] != mdxBefore;

    if (headerChanged && FMode != pfReadOnly) WriteHeader();

    // A trailing end-of-file byte is not table content.
    const int records = GetRecordCount();
    const std::int64_t behind = CalcPageOffset(records + 1);
    if (behind + 1 == FCachedSize) {
        std::uint8_t marker = 0;
        if (ReadBlock(&marker, 1, behind) == 1 && marker == kEndOfFile) FCachedSize -= 1;
    }
}

void TDbfFile::DecideCodePage() {
    if (DbfVersion == xBaseVII) {
        const std::string name = LanguageStr();
        FFileCodePage = CodePageFromLangName(reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
        FFileLangId = GetLangId_From_LangName(name);
    } else {
        FFileLangId = GetLanguageId();
        FFileCodePage = LangId_To_CodePage[FFileLangId];
    }
    FUseCodePage = FFileCodePage != 0 ? FFileCodePage : static_cast<std::uint32_t>(DbfGlobals().DefaultOpenCodePage());
}

void TDbfFile::OpenMemoFile() {
    if (!HasBlob()) return;
    FMemoFileName = platform::FindCompanionFile(*FFiles, platform::ChangeFileExt(FFileName, GetMemoExt()));
    if (!FFiles->Status(FMemoFileName).exists)
        FMemoFile = std::make_unique<TNullMemoFile>(DbfVersion);
    else if (DbfVersion == xFoxPro)
        FMemoFile = std::make_unique<TFoxProMemoFile>(DbfVersion);
    else
        FMemoFile = std::make_unique<TDbaseMemoFile>(DbfVersion);
    FMemoFile->SetFileName(FMemoFileName);
    FMemoFile->SetFileSystem(*FFiles);
    FMemoFile->SetMode(FMode);
    FMemoFile->AutoCreate = false;
    FMemoFile->Open();
}

void TDbfFile::OpenProductionIndex() {
    if (FHeader[kHdrMdxFlag] == 0) return;
    const std::string path = platform::FindCompanionFile(*FFiles, platform::ChangeFileExt(FFileName, ".mdx"));
    if (FFiles->Status(path).exists) {
        FIndexFileName = path;
        auto index = std::make_unique<TIndexFile>();
        index->SetFileName(path);
        index->SetFileSystem(*FFiles);
        index->SetMode(FMode);
        try {
            index->Open();
        } catch (const EDbfIndexError&) {
            index->Close();
            bool handled = false;
            bool deleteLink = false;
            if (FOnIndexInvalid) FOnIndexInvalid(*this, handled, deleteLink);
            if (!handled) throw;
            if (deleteLink) FHeader[kHdrMdxFlag] = 0;
            return;
        }
        if (!index->ForceClose()) FMdxFile = std::move(index);
        return;
    }
    if (DbfVersion == xFoxPro) return;
    bool deleteLink = true;
    if (FOnIndexMissing) FOnIndexMissing(deleteLink);
    if (deleteLink)
        FHeader[kHdrMdxFlag] = 0;
    else
        FForceClose = true;
}

void TDbfFile::Close() {
    if (FMdxFile) FMdxFile->Close();
    FMemoFile.reset();
    CloseFile();
    FMdxFile.reset();
    FFileLangId = 0;
}

void TDbfFile::WriteHeader() {
    if (FHeaderSize == 0) return;
    const platform::LocalDate today = platform::GetLocalDate();
    FHeader[kHdrYear] = static_cast<std::uint8_t>((today.year - 1900) & 0xFF);
    FHeader[kHdrMonth] = static_cast<std::uint8_t>(today.month);
    FHeader[kHdrDay] = static_cast<std::uint8_t>(today.day);
    TPagedFile::WriteHeader();
}

std::size_t TDbfFile::HeaderWriteSize() const {
    return std::min(FHeader.size(), kMainHeaderSize);
}

bool TDbfFile::IsRecordPresent(int n) {
    if (!IsSharedAccess() || n > FCachedRecordCount) FCachedRecordCount = GetRecordCount();
    return n >= 0 && n <= FCachedRecordCount;
}

std::uint8_t TDbfFile::GetLanguageId() const {
    return platform::ByteAt(FHeader, kHdrLanguageId);
}

std::string TDbfFile::LanguageStr() const {
    if (DbfVersion != xBaseVII) return {};
    std::string name(kLanguageDriverNameSize, '\0');
    for (std::size_t i = 0; i < kLanguageDriverNameSize; ++i)
        name[i] = static_cast<char>(platform::ByteAt(FHeader, kLanguageDriverNameOffset + i));
    return name;
}

bool TDbfFile::HasBlob() const {
    for (int i = 0; i < FFieldDefs.Count(); ++i)
        if (FFieldDefs.Items(i).IsBlob()) return true;
    return false;
}

bool TDbfFile::GetFieldData(int column, TFieldType kind, std::span<const std::uint8_t> source, void* dest, bool nativeFormat) {
    if (column < 0 || column >= FFieldDefs.Count()) return false;
    return GetFieldDataFromDef(FFieldDefs.Items(column), kind, source, dest, nativeFormat);
}

}  // namespace korvane::dbf
