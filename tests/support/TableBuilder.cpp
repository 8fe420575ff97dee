#include "tests/support/TableBuilder.h"

#include <algorithm>

namespace korvane::test {

std::string Le16(int v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string Le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
std::string Be32(std::uint32_t v) {
    std::string s = Le32(v);
    std::reverse(s.begin(), s.end());
    return s;
}
std::string Le64(std::uint64_t v) {
    std::string s;
    for (int i = 0; i < 8; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
std::string Be64(std::uint64_t v) {
    std::string s = Le64(v);
    std::reverse(s.begin(), s.end());
    return s;
}

int TableBuilder::RecordLength() const {
    if (FRecordSizeOverride) return *FRecordSizeOverride;
    int length = 1;
    for (const auto& f : FFields) length += f.width;
    return length;
}

int TableBuilder::HeaderLength() const {
    if (FHeaderSizeOverride) return *FHeaderSizeOverride;
    const int descriptors = static_cast<int>(FFields.size()) * (Level7() ? 48 : 32);
    return (Level7() ? 68 : 32) + descriptors + (FTerminator ? 1 : 0) + static_cast<int>(FAfterTerminator.size());
}

TableBuilder& TableBuilder::Record(const std::vector<std::string>& values, bool deleted) {
    std::string bytes;
    for (std::size_t i = 0; i < FFields.size(); ++i) {
        std::string v = i < values.size() ? values[i] : std::string();
        v.resize(static_cast<std::size_t>(FFields[i].width), ' ');
        bytes += v;
    }
    return RawRecord(bytes, deleted ? '*' : ' ');
}

TableBuilder& TableBuilder::RawRecord(const std::string& bytes, char flag) {
    FRecords.push_back(std::string(1, flag) + bytes);
    return *this;
}

std::string TableBuilder::Bytes() const {
    std::string out;
    out += static_cast<char>(FVersion);
    for (auto b : FDate) out += static_cast<char>(b);
    out += Le32(static_cast<std::uint32_t>(FHeaderCount.value_or(static_cast<std::int32_t>(FRecords.size()))));
    out += Le16(HeaderLength());
    out += Le16(RecordLength());
    out += std::string(16, '\0');
    out += static_cast<char>(FMdxFlag);
    out += static_cast<char>(FLanguageId);
    out += std::string(2, '\0');
    if (Level7()) {
        std::string name = FDriverName;
        name.resize(32, '\0');
        out += name + std::string(4, '\0');
    }
    for (const auto& f : FFields) {
        std::string d;
        std::string name = f.name;
        if (Level7()) {
            name.resize(32, '\0');
            d = name;
            d += static_cast<char>(f.type);
            d += static_cast<char>(f.width & 0xFF);
            d += static_cast<char>(f.precision);
            d += std::string(13, '\0');
        } else {
            name.resize(11, '\0');
            d = name;
            d += static_cast<char>(f.type);
            d += std::string(4, '\0');
            d += static_cast<char>(f.width & 0xFF);
            d += static_cast<char>(f.width > 255 ? (f.width >> 8) : f.precision);
            d += static_cast<char>(f.flags);
            d += std::string(13, '\0');
        }
        out += d;
    }
    if (FTerminator) out += '\x0D';
    out += FAfterTerminator;
    if (static_cast<int>(out.size()) < HeaderLength()) out.resize(static_cast<std::size_t>(HeaderLength()), '\0');
    for (const auto& r : FRecords) {
        std::string rec = r;
        rec.resize(static_cast<std::size_t>(RecordLength()), ' ');
        out += rec;
    }
    out += FTrailer;
    return out;
}

MemoBuilder MemoBuilder::Dbt(int blockLength, int blockLenField) {
    MemoBuilder m;
    m.FBlockLength = blockLength;
    m.FBytes.assign(512, '\0');
    m.Put(0, Le32(1));
    m.Put(20, Le16(blockLenField < 0 ? blockLength : blockLenField));
    return m;
}

MemoBuilder MemoBuilder::Fpt(int blockLength, int blockLenField) {
    MemoBuilder m;
    m.FBlockLength = blockLength;
    m.FBytes.assign(512, '\0');
    m.Put(0, Be32(1));
    const int field = blockLenField < 0 ? blockLength : blockLenField;
    m.Put(6, std::string{static_cast<char>((field >> 8) & 0xFF), static_cast<char>(field & 0xFF)});
    return m;
}

void MemoBuilder::Put(std::size_t at, const std::string& bytes) {
    if (FBytes.size() < at + bytes.size()) FBytes.resize(at + bytes.size(), '\0');
    FBytes.replace(at, bytes.size(), bytes);
}

MemoBuilder& MemoBuilder::Block(int n, const std::string& bytes) {
    const std::size_t at = static_cast<std::size_t>(n) * static_cast<std::size_t>(FBlockLength);
    Put(at, bytes);
    // Keep the file a whole number of blocks long.
    const std::size_t block = static_cast<std::size_t>(FBlockLength);
    if (FBytes.size() % block != 0) FBytes.resize((FBytes.size() / block + 1) * block, '\0');
    return *this;
}

MemoBuilder& MemoBuilder::DbtLengthForm(int n, const std::string& text, std::optional<std::uint32_t> statedLength) {
    return Block(
        n, std::string("\xFF\xFF\x08\x00", 4) + Le32(statedLength.value_or(static_cast<std::uint32_t>(text.size() + 8))) + text);
}

MemoBuilder& MemoBuilder::FptMemo(int n, const std::string& text, std::optional<std::uint32_t> statedSize) {
    return Block(n, Be32(1) + Be32(statedSize.value_or(static_cast<std::uint32_t>(text.size()))) + text);
}

}  // namespace korvane::test
