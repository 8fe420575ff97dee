#include "dbf/DbfFile.h"

#include <algorithm>
#include <array>

#include "dbf/DbfErrors.h"
#include "dbf/DbfFormat.h"
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
    FHeaderRecordCount = std::max(ReadI32LE(FHeader, kHdrRecordCount), 0);
    FCheckedSlots = FHeaderRecordCount;
    FEndMet = false;
    if (headerSize == 0 || recordSize == 0) {
        SetHeaderSize(0);
        SetRecordSize(0);
        FRecordCount = 0;
        FNeedRecalc = false;
        FForceClose = true;
        return;
    }
    DecideCodePage();
    try {
        ConstructFieldDefs();
    } catch (const EDbfError&) {
        // One writer stores dBase IV's 32-byte descriptors behind the level 7 version byte.
        if (DbfVersion != xBaseVII || !DescriptorsOfLevelV()) throw;
        FLevel7ByteOnLevelV = true;
        DbfVersion = xBaseV;
        FFieldDefs.DbfVersion = DbfVersion;
        DecideCodePage();
        ConstructFieldDefs();
    }
    DecideRecordLength();

    const int count = GetRecordCount();
    FStoredRecordCount = ReadI32LE(FHeader, kHdrRecordCount);
    FOpenRecordCount = count;
    if (count != FStoredRecordCount) {
        platform::WriteU32LE(FHeader, kHdrRecordCount, static_cast<std::uint32_t>(count));
        headerChanged = true;
    }

    OpenMemoFile();
    if (DbfVersion != xFoxPro && !FLevel7ByteOnLevelV) {
        const std::uint8_t before = FHeader[kHdrVersion];
        FHeader[kHdrVersion] =
            HasBlob() ? static_cast<std::uint8_t>(before | kMemoBit) : static_cast<std::uint8_t>(before & ~kMemoBit);
        headerChanged |= FHeader[kHdrVersion] != before;
    }

    const std::uint8_t mdxBefore = FHeader[kHdrMdxFlag];
    OpenProductionIndex();
    headerChanged |= FHeader[kHdrMdxFlag] != mdxBefore;

    if (headerChanged && FMode != pfReadOnly) {
        WriteHeader();
        FRecordCountCorrected = count != FStoredRecordCount;
    }

    // A trailing end-of-file byte is not table content.
    const int records = GetRecordCount();
    const std::int64_t behind = CalcPageOffset(records + 1);
    if (behind + 1 == FCachedSize) {
        std::uint8_t marker = 0;
        if (ReadBlock(&marker, 1, behind) == 1 && marker == kEndOfFile) FCachedSize -= 1;
    }
}

void TDbfFile::DecideRecordLength() {
    FRecordLengths = {FRecordSize, FFieldsLength, false};
    if (!FRecordLengths.FieldsExceedHeader()) return;  // room to spare is normal
    // Fields that need more than the header's length: a header written with a wrong length,
    // or fields that run past the record. The file's size tells which.
    const std::int64_t data = DataAreaLength();
    if (data > 0 && data % FFieldsLength == 0 && data % FRecordSize != 0) {
        FRecordLengths.fieldsUsed = true;
        SetRecordSize(FFieldsLength);
    }
}

std::int64_t TDbfFile::DataAreaLength() {
    const std::int64_t size = CurrentSize();
    std::int64_t data = size - FHeaderOffset - FHeaderSize;
    std::uint8_t last = 0;
    if (data > 0 && ReadBlock(&last, 1, size - 1) == 1 && last == kEndOfFile) --data;
    return std::max<std::int64_t>(data, 0);
}

int TDbfFile::GetRecordCount() {
    const int inFile = FileRecordCount();
    if (inFile <= FHeaderRecordCount) return inFile;  // a stale header: the file wins
    if (!FEndMet && FCheckedSlots < inFile) CheckSlots(inFile);
    return std::min(inFile, FCheckedSlots);
}

void TDbfFile::CheckSlots(int inFile) {
    // Only the first byte of each slot matters; whole blocks of slots are read at once.
    constexpr int kBlock = 64 * 1024;
    const int perBlock = FRecordSize > kBlock / 2 ? 1 : kBlock / FRecordSize;
    const int readLength = perBlock == 1 ? 1 : perBlock * FRecordSize;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(readLength));
    while (FCheckedSlots < inFile) {
        const int slots = std::min(perBlock, inFile - FCheckedSlots);
        const int want = perBlock == 1 ? 1 : slots * FRecordSize;
        const int got = ReadBlock(block.data(), want, CalcPageOffset(FCheckedSlots + 1));
        for (int k = 0; k < slots; ++k) {
            const int at = perBlock == 1 ? 0 : k * FRecordSize;
            if (at >= got) return;  // the file became shorter meanwhile: looked at again later
            const std::uint8_t flag = block[static_cast<std::size_t>(at)];
            if (flag != ' ' && flag != kDeletedFlag) {
                FEndMet = true;
                return;
            }
            ++FCheckedSlots;
        }
    }
}

int TDbfFile::SlotsBehindEnd() {
    if (!FActive || FRecordSize <= 0) return 0;
    const std::int64_t slots = DataAreaLength() / FRecordSize;
    return static_cast<int>(std::clamp<std::int64_t>(slots - GetRecordCount(), 0, INT32_MAX));
}

std::string AbortReason(const std::string& path) {
    platform::File file;
    platform::OsError error;
    std::uint8_t header[12] = {};
    if (!file.Open(path, platform::FileAccess::ReadOnly, error)) return {};
    const platform::IoResult r = file.ReadAt(header, sizeof header, 0);
    if (r.error != 0) return {};
    if (r.count < static_cast<std::int64_t>(sizeof header)) return kTooShortToBeATable;
    if ((header[8] | header[9]) == 0) return " (the header gives a header length of 0)";
    if ((header[10] | header[11]) == 0) return " (the header gives a record length of 0)";
    return {};
}

namespace {

// Visual FoxPro's own tables and their memo files.
constexpr std::pair<const char*, const char*> kOwnMemos[] = {
    {".dbc", ".dct"}, {".vcx", ".vct"}, {".scx", ".sct"}, {".frx", ".frt"}, {".lbx", ".lbt"}, {".mnx", ".mnt"}, {".pjx", ".pjt"},
};
// Every table's companions: memo files, indexes (dBase's production index, FoxPro's compound
// and single ones, Clipper's), the code page file, and FoxPro's database container index.
constexpr const char* kCompanions[] = {".dbt", ".fpt", ".mdx", ".cdx", ".ndx", ".ntx", ".idx", ".cpg", ".dcx"};

// The extension of a path's file name in lower case, "" without one.
std::string LowerExtension(const std::string& path) {
    const std::string name = platform::ExtractFileName(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return {};
    std::string ext = name.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

}  // namespace

std::string OwnMemoExtension(const std::string& tablePath) {
    const std::string ext = LowerExtension(tablePath);
    for (const auto& [table, memo] : kOwnMemos)
        if (ext == table) return memo;
    return {};
}

std::vector<std::string> CompanionExtensions(const std::string& tablePath) {
    std::vector<std::string> extensions(std::begin(kCompanions), std::end(kCompanions));
    if (std::string own = OwnMemoExtension(tablePath); !own.empty()) extensions.push_back(own);
    return extensions;
}

bool IsTableFileName(const std::string& path) {
    const std::string ext = LowerExtension(path);
    if (ext == ".dbf" || std::find(std::begin(kCompanions), std::end(kCompanions), ext) != std::end(kCompanions)) return true;
    return std::any_of(std::begin(kOwnMemos), std::end(kOwnMemos),
                       [&](const auto& own) { return ext == own.first || ext == own.second; });
}

bool TDbfFile::DescriptorsOfLevelV() {
    // Whole only when 32-byte descriptors end with 0x0D inside the header and their widths
    // add up to the record length.
    const int headerLength = ReadU16LE(FHeader, kHdrHeaderSize);
    const int recordLength = ReadU16LE(FHeader, kHdrRecordSize);
    std::int64_t widths = 1;
    for (std::int64_t at = static_cast<std::int64_t>(kMainHeaderSize); at + 1 <= headerLength;
         at += static_cast<std::int64_t>(kDescriptorSize)) {
        std::array<std::uint8_t, kDescriptorSize> d{};
        const int got = ReadBlock(d.data(), static_cast<int>(d.size()), at);
        if (got >= 1 && d[0] == kDescriptorTerminator)
            return at > static_cast<std::int64_t>(kMainHeaderSize) && widths == recordLength;
        if (got != static_cast<int>(d.size())) return false;
        widths += d[kDescWidth];
    }
    return false;
}

std::string TDbfFile::GetMemoExt() const {
    if (std::string own = OwnMemoExtension(FFileName); !own.empty()) return own;
    return DbfVersion == xFoxPro ? ".fpt" : ".dbt";
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
    FUseCodePage = FFileCodePage != 0 ? FFileCodePage : DefaultCodePage;
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
