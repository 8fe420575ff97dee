// Character and memo values of a single-byte system code page, written as the document's
// escaped UTF-8 in one pass over their bytes.
//
// The general path turns a value into UTF-16, back into bytes for the code page 852 test and
// repair, into UTF-16 again, escapes it and encodes it as UTF-8. In a single-byte code page
// every one of those steps maps each byte on its own, so the whole chain folds into two
// 256-entry tables: one for values left as they are and one for values repaired from 852.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace korvane {

class SingleByteText {
public:
    // The tables for `codePage`; null when it is not a single-byte page that keeps ASCII as
    // it is (the general path then serves).
    static std::unique_ptr<SingleByteText> For(std::uint32_t codePage);

    // The room Write needs for a value of `count` bytes.
    static constexpr std::size_t Room(std::size_t count) { return kMaxOut * count + kSlack; }

    // Writes the value's escaped UTF-8 at `dest`, which has Room(bytes.size()) bytes, and
    // returns its end. A value with characters above ASCII whose every high byte is a code
    // page 852 letter is written repaired as Windows-1250.
    char* Write(std::span<const std::uint8_t> bytes, char* dest) const;
    // The same for bytes followed by at least kReadPast more readable bytes (a record copied
    // into a padded buffer): short values are then read sixteen bytes at a time too.
    static constexpr std::size_t kReadPast = 16;
    char* WritePadded(std::span<const std::uint8_t> bytes, char* dest) const;

    // A value in pieces: whether a piece holds a byte that keeps the value from the repair
    // (the value is repaired when none of its pieces does), and a piece written as stored or
    // repaired.
    bool BlocksRepair(std::span<const std::uint8_t> bytes) const;
    char* WritePiece(std::span<const std::uint8_t> bytes, bool repaired, char* dest) const;

private:
    SingleByteText() = default;

    // The escaped UTF-8 of one byte's character: at most 6 bytes ("&quot;"); 8 are copied.
    struct Entry {
        char bytes[7];
        std::uint8_t length;
    };
    static constexpr std::size_t kMaxOut = 6;
    static constexpr std::size_t kSlack = 16;

    template <bool Padded>
    char* WriteValue(std::span<const std::uint8_t> bytes, char* dest) const;
    template <bool Padded>
    static char* Render(const std::array<Entry, 256>& table, std::span<const std::uint8_t> bytes, char* dest);

    std::array<Entry, 256> FAsStored{};
    std::array<Entry, 256> FRepaired{};
    // Bytes whose round trip through the code page is a high byte that no 852 letter has:
    // one of them keeps the value from being repaired.
    std::array<bool, 256> FBlocksRepair{};
};

// A copy of a record with SingleByteText::kReadPast readable bytes behind it, so that its values
// are read sixteen bytes at a time.
class PaddedRecord {
public:
    std::span<const std::uint8_t> Copy(std::span<const std::uint8_t> record) {
        if (FBytes.size() < record.size() + SingleByteText::kReadPast) FBytes.resize(record.size() + SingleByteText::kReadPast);
        if (!record.empty()) std::memcpy(FBytes.data(), record.data(), record.size());
        return {FBytes.data(), record.size()};
    }

private:
    std::vector<std::uint8_t> FBytes;
};

}  // namespace korvane
