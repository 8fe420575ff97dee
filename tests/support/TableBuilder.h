// Builds table and memo files byte by byte, so each test states only the bytes it cares about.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

struct FieldSpec {
    std::string name;
    std::uint8_t type;
    int width;  // FoxPro C fields above 255 put the high byte into the precision byte
    std::uint8_t precision = 0;
    std::uint8_t flags = 0;  // FoxPro: 0x02 = nullable
};

class TableBuilder {
public:
    explicit TableBuilder(std::uint8_t version = 0x03) : FVersion(version) {}

    TableBuilder& LanguageId(std::uint8_t id) {
        FLanguageId = id;
        return *this;
    }
    TableBuilder& MdxFlag(std::uint8_t flag) {
        FMdxFlag = flag;
        return *this;
    }
    TableBuilder& Date(std::uint8_t y, std::uint8_t m, std::uint8_t d) {
        FDate = {y, m, d};
        return *this;
    }
    TableBuilder& Field(std::string name, char type, int width, std::uint8_t precision = 0, std::uint8_t flags = 0) {
        FFields.push_back({std::move(name), static_cast<std::uint8_t>(type), width, precision, flags});
        return *this;
    }
    TableBuilder& FieldByte(std::string name, std::uint8_t type, int width, std::uint8_t precision = 0) {
        FFields.push_back({std::move(name), type, width, precision, 0});
        return *this;
    }
    // A record from field values, each padded with blanks (or cut) to the field's width.
    TableBuilder& Record(const std::vector<std::string>& values, bool deleted = false);
    // A record given as its raw bytes after the deletion flag.
    TableBuilder& RawRecord(const std::string& bytes, char flag = ' ');
    TableBuilder& HeaderRecordCount(std::int32_t count) {
        FHeaderCount = count;
        return *this;
    }
    TableBuilder& HeaderSize(int size) {
        FHeaderSizeOverride = size;
        return *this;
    }
    TableBuilder& RecordSize(int size) {
        FRecordSizeOverride = size;
        return *this;
    }
    // Bytes between the descriptor terminator and the first record (FoxPro's backlink area).
    TableBuilder& AfterTerminator(std::string bytes) {
        FAfterTerminator = std::move(bytes);
        return *this;
    }
    TableBuilder& NoTerminator() {
        FTerminator = false;
        return *this;
    }
    TableBuilder& Trailer(std::string bytes) {
        FTrailer = std::move(bytes);
        return *this;
    }
    // Level 7: the language driver name in the header extension.
    TableBuilder& DriverName(std::string name) {
        FDriverName = std::move(name);
        return *this;
    }

    int RecordLength() const;
    int HeaderLength() const;
    std::string Bytes() const;

private:
    bool Level7() const { return (FVersion & 7) == 4; }

    std::uint8_t FVersion;
    std::uint8_t FLanguageId = 0;
    std::uint8_t FMdxFlag = 0;
    std::vector<std::uint8_t> FDate = {124, 1, 15};
    std::vector<FieldSpec> FFields;
    std::vector<std::string> FRecords;
    std::optional<std::int32_t> FHeaderCount;
    std::optional<int> FHeaderSizeOverride;
    std::optional<int> FRecordSizeOverride;
    std::string FAfterTerminator;
    bool FTerminator = true;
    std::string FTrailer = "\x1A";
    std::string FDriverName;
};

// A memo file of fixed-size blocks; blocks not set are zero.
class MemoBuilder {
public:
    // dBase .dbt: `blockLenField` goes into the header (ignored by dBase III readers).
    static MemoBuilder Dbt(int blockLength, int blockLenField = -1);
    static MemoBuilder Fpt(int blockLength, int blockLenField = -1);

    // Raw bytes starting at block n (they may run into the following blocks).
    MemoBuilder& Block(int n, const std::string& bytes);
    // dBase length form: FF FF 08 00, the length including those 8 bytes, then the text.
    MemoBuilder& DbtLengthForm(int n, const std::string& text, std::optional<std::uint32_t> statedLength = {});
    // FoxPro block: type, size (big-endian), then the text.
    MemoBuilder& FptMemo(int n, const std::string& text, std::optional<std::uint32_t> statedSize = {});
    std::string Bytes() const { return FBytes; }

private:
    void Put(std::size_t at, const std::string& bytes);
    int FBlockLength = 512;
    std::string FBytes;
};

std::string Le16(int v);
std::string Le32(std::uint32_t v);
std::string Be32(std::uint32_t v);
std::string Le64(std::uint64_t v);
std::string Be64(std::uint64_t v);

}  // namespace korvane::test
