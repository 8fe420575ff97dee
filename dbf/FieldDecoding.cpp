// Decoding one field of a record into a typed value.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "dbf/DbfErrors.h"
#include "dbf/DbfFile.h"
#include "dbf/NumberText.h"
#include "fields/DateTime.h"
#include "platform/Endian.h"

namespace korvane::dbf {

using platform::ReadI32LE;
using platform::ReadU32BE;
using platform::ReadU32LE;
using platform::ReadU64BE;
using platform::ReadU64LE;

namespace {

[[noreturn]] void RaiseInvalidTimeStamp(std::int64_t day, std::int64_t ms) {
    throw EConvertError(FormatMessage(SInvalidTimeStamp, {std::to_string(day), std::to_string(ms)}));
}

template <typename T>
void Store(void* dest, T value) {
    std::memcpy(dest, &value, sizeof value);
}

bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// Delivers a date or date-time: a TDateTime, or for a native date the day number.
void StoreDate(void* dest, TFieldType kind, bool nativeFormat, TDateTime value) {
    if (!nativeFormat || kind == ftDateTime) {
        Store(dest, value);
    } else {
        // A stored date-time far outside any calendar gives day 0 rather than an overflow.
        const double days = std::trunc(value);
        const bool representable = days > -1.0e9 && days < 1.0e9;
        Store(dest, static_cast<std::int32_t>((representable ? static_cast<std::int64_t>(days) : 0) + kDateDelta));
    }
}

// A time stamp held as a day number (1 January of year 1 = 1) and a millisecond of the day.
TDateTime CheckedTimeStamp(std::int64_t day, std::int64_t ms) {
    if (day <= 0 || ms < 0 || ms >= kMsPerDay) RaiseInvalidTimeStamp(day, ms);
    return DateTimeFromParts(day, ms);
}

// The text of a date field: year in bytes 0-3, month 4-5, day 6-7; missing bytes fail.
TDateTime ParseDateText(const std::uint8_t* text, std::size_t length) {
    int year = 0, month = 0, day = 0;
    if (!DecodeDateText(text, length, year, month, day)) return 0;
    return static_cast<TDateTime>(DayNumberFromDate(year, month, day) - kDateDelta);
}

// FoxPro's time stamp: a little-endian Julian day, then the millisecond of the day; null when
// all 8 bytes are zero.
bool DecodeFoxProTimeStamp(std::span<const std::uint8_t> bin, TFieldType kind, bool nativeFormat, void* dest) {
    if (AllZero(bin)) return false;
    const std::int64_t day = static_cast<std::int64_t>(ReadI32LE(bin, 0)) - 1721425;
    const std::int64_t ms = ReadI32LE(bin, 4);
    const TDateTime value = CheckedTimeStamp(day, ms);
    if (dest) StoreDate(dest, kind, nativeFormat, value);
    return true;
}

// A little-endian two's-complement integer of its stored width (1 to 4 bytes, or 8); other
// widths give their first 4 bytes, width 0 no value. Never null otherwise.
bool DecodeStoredWidthInteger(std::span<const std::uint8_t> bin, std::int32_t width, TFieldType kind, void* dest) {
    if (width <= 0) return false;
    std::int64_t v;
    if (width == 8) {
        v = static_cast<std::int64_t>(ReadU64LE(bin, 0));
    } else {
        const int bytes = width < 4 ? width : 4;
        const std::uint32_t raw = ReadU32LE(bin, 0) & (bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1);
        const std::uint32_t sign = 1u << (8 * bytes - 1);
        v = static_cast<std::int32_t>((raw ^ sign) - sign);
    }
    if (dest) {
        if (kind == ftLargeint)
            Store(dest, v);
        else
            Store(dest, static_cast<std::int32_t>(v));
    }
    return true;
}

}  // namespace

bool DecodeDateText(const std::uint8_t* text, std::size_t length, int& year, int& month, int& day) {
    if (length == 8 && std::all_of(text, text + 8, [](std::uint8_t c) { return c >= '0' && c <= '9'; })) {
        // The usual YYYYMMDD, read directly.
        auto digits = [&](std::size_t at, std::size_t n) {
            int v = 0;
            for (std::size_t k = at; k < at + n; ++k) v = v * 10 + (text[k] - '0');
            return v;
        };
        year = digits(0, 4), month = digits(4, 2), day = digits(6, 2);
        return IsValidDate(year, month, day);
    }
    auto part = [&](std::size_t at, std::size_t width) {
        std::int32_t v = 0;
        if (at < length) (void)ParseInt32(text + at, std::min(width, length - at), 1, v);
        return v;
    };
    year = part(0, 4);
    month = part(4, 2);
    day = part(6, 2);
    return IsValidDate(year, month, day);
}

bool TDbfFile::VarLengthBit(const TDbfFieldDef& def, std::span<const std::uint8_t> record) const {
    if (!FNullField || def.VarLengthPosition < 0) return false;
    const auto byte = static_cast<std::size_t>(def.VarLengthPosition / 8);
    if (byte >= static_cast<std::size_t>(std::max(FNullField->Size, 0))) return false;  // no room for the bit
    return (platform::ByteAt(record, static_cast<std::size_t>(FNullField->Offset) + byte) &
            (1u << (def.VarLengthPosition % 8))) != 0;
}

std::size_t TDbfFile::VarLength(const TDbfFieldDef& def, std::span<const std::uint8_t> record,
                                std::span<const std::uint8_t> field) {
    // The field's last byte holds the length; one that claims the whole field leaves out
    // the length byte itself.
    if (def.Size <= 0) return 0;
    std::size_t n = platform::ByteAt(record, static_cast<std::size_t>(def.Offset) + static_cast<std::size_t>(def.Size) - 1);
    n = std::min(n, static_cast<std::size_t>(def.Size) - 1);
    return std::min(n, field.size());
}

std::span<const std::uint8_t> TDbfFile::FieldBytes(const TDbfFieldDef& def, std::span<const std::uint8_t> source) {
    // The field's bytes, cut to the record: a field reaching past the record's end reads
    // only what the record holds. Numbers are read from their whole stored width (the schema
    // says at most 20), and so are the integers of dBase III and V tables.
    const auto offset = static_cast<std::size_t>(std::max(def.Offset, 0));
    std::int32_t width = def.Size;
    switch (def.NativeFieldType) {
        case 'N':
        case 'F':
            width = std::max(def.Size, def.DescriptorWidth);
            break;
        case 'I':
            if (def.FoxProBinaryForms()) width = def.DescriptorWidth;
            break;
        default:
            break;
    }
    const std::size_t size = static_cast<std::size_t>(std::max(width, 0));
    return offset >= source.size() ? std::span<const std::uint8_t>()
                                   : source.subspan(offset, std::min(size, source.size() - offset));
}

bool TDbfFile::NullFlagSet(const TDbfFieldDef& def, std::span<const std::uint8_t> source) const {
    if (!FNullField || def.NullPosition < 0) return false;
    const std::size_t at = static_cast<std::size_t>(FNullField->Offset) + static_cast<std::size_t>(def.NullPosition / 8);
    return (platform::ByteAt(source, at) & (1u << (def.NullPosition % 8))) != 0;
}

bool TDbfFile::GetFieldDataFromDef(const TDbfFieldDef& def, TFieldType kind, std::span<const std::uint8_t> source, void* dest,
                                   bool nativeFormat) {
    if (source.empty()) return false;
    if (FNullField && !dest && def.NullPosition >= 0) return !NullFlagSet(def, source);
    const std::span<const std::uint8_t> field = FieldBytes(def, source);
    // Binary forms read a fixed width; bytes the record lacks count as zero.
    std::array<std::uint8_t, 8> fixed{};
    const std::span<const std::uint8_t> bin(fixed);
    const bool foxPro = DbfVersion == xFoxPro;
    switch (def.NativeFieldType) {
        case 'I':
        case '+':
        case 'O':
        case '@':
        case 'T':
        case 'B':
        case 'Y':
        case 'M':
        case 'G':
        case 'W':
            std::copy_n(field.begin(), std::min<std::size_t>(field.size(), 8), fixed.begin());
            break;
        default:
            break;
    }

    switch (def.NativeFieldType) {
        case 'I':
        case '+': {
            std::int32_t v;
            if (foxPro) {
                v = ReadI32LE(bin, 0);
            } else if (def.FoxProBinaryForms() && def.NativeFieldType == 'I') {
                return DecodeStoredWidthInteger(bin, def.DescriptorWidth, kind, dest);
            } else {
                if (AllZero(bin.first(4))) return false;
                v = static_cast<std::int32_t>(ReadU32BE(bin, 0) ^ 0x80000000u);
            }
            if (dest) Store(dest, v);
            return true;
        }
        case 'O': {
            if (AllZero(bin)) return false;
            std::uint64_t bits = ReadU64BE(bin, 0);
            bits = (bits & 0x8000000000000000ull) ? bits & 0x7FFFFFFFFFFFFFFFull : ~bits;
            if (dest) {
                double v;
                std::memcpy(&v, &bits, sizeof v);
                Store(dest, v);
            }
            return true;
        }
        case '@': {
            if (def.FoxProBinaryForms()) return DecodeFoxProTimeStamp(bin, kind, nativeFormat, dest);
            if (AllZero(bin.first(4)) || AllZero(bin.subspan(4, 4))) return false;
            const std::uint64_t bits = ReadU64BE(bin, 0);
            double v;
            std::memcpy(&v, &bits, sizeof v);
            TDateTime value = v;
            if (DateTimeHandling == dtBDETimeStamp) {
                if (!std::isfinite(v)) RaiseInvalidTimeStamp(0, 0);
                const double rounded = std::nearbyint(std::clamp(v, -9.0e18, 9.0e18));
                const auto ms = static_cast<std::int64_t>(rounded);
                // Integer division truncates toward zero, so a negative count reports as '0.-5'.
                value = CheckedTimeStamp(ms / kMsPerDay, ms % kMsPerDay);
            }
            if (dest) StoreDate(dest, kind, nativeFormat, value);
            return true;
        }
        case 'T':
            return DecodeFoxProTimeStamp(bin, kind, nativeFormat, dest);
        case 'B':
            if (def.FieldType != ftFloat) break;  // a memo reference
            if (dest) {
                const std::uint64_t bits = ReadU64LE(bin, 0);
                double v;
                std::memcpy(&v, &bits, sizeof v);
                Store(dest, v);
            }
            return true;
        case 'Y': {
            const auto amount = static_cast<std::int64_t>(ReadU64LE(bin, 0));
            if (dest) {
                if (kind == ftCurrency)
                    Store(dest, static_cast<double>(amount) / 10000.0);
                else
                    Store(dest, amount);
            }
            return true;
        }
        case 'M':
        case 'G':
        case 'W':
            if (def.Size != 4) break;
            // The block number is delivered even when it is 0 (blank).
            if (dest) Store(dest, ReadI32LE(bin, 0));
            return !AllZero(bin.first(4));
        case 'V': {
            if (!VarLengthBit(def, source)) break;  // stored like a C field
            const std::size_t n = VarLength(def, source, field);
            if (n == 0) {
                if (dest) static_cast<std::uint8_t*>(dest)[0] = 0;
                return false;
            }
            if (dest) {
                const auto* zero = static_cast<const std::uint8_t*>(std::memchr(field.data(), 0, n));
                const std::size_t count = zero ? static_cast<std::size_t>(zero - field.data()) : n;
                std::memcpy(dest, field.data(), count);
                static_cast<std::uint8_t*>(dest)[count] = 0;
            }
            return true;
        }
        case 'Q': {
            // Varbinary: the bytes as stored, nothing trimmed; delivered after a 16-bit length.
            const std::size_t n = VarLengthBit(def, source) ? VarLength(def, source, field) : field.size();
            if (dest) {
                const auto length = static_cast<std::uint16_t>(n);
                std::memcpy(dest, &length, sizeof length);
                if (n > 0) std::memcpy(static_cast<std::uint8_t*>(dest) + sizeof length, field.data(), n);
            }
            return n > 0;
        }
        default:
            break;
    }

    // Text form: trailing blanks and zero bytes never count; leading blanks only for text.
    std::size_t length = field.size();
    while (length > 0 && (field[length - 1] == ' ' || field[length - 1] == 0)) --length;
    std::size_t start = 0;
    if (kind != ftString)
        while (start < length && field[start] == ' ') ++start;
    const std::uint8_t* text = field.data() + start;
    const std::size_t n = length - start;
    if (n == 0) {
        if (kind == ftString && dest) static_cast<std::uint8_t*>(dest)[0] = 0;
        return false;
    }
    if (!dest) return true;
    switch (kind) {
        case ftString: {
            const auto* zero = static_cast<const std::uint8_t*>(std::memchr(text, 0, n));
            const std::size_t count = zero ? static_cast<std::size_t>(zero - text) : n;
            std::memcpy(dest, text, count);
            static_cast<std::uint8_t*>(dest)[count] = 0;
            return true;
        }
        case ftSmallint: {
            std::int32_t v = 0;
            if (!ParseInt32(text, n, 0, v) || v < -32768 || v > 32767) return false;
            Store(dest, static_cast<std::int16_t>(v));
            return true;
        }
        case ftInteger:
        case ftAutoInc: {
            // Text that is no number leaves the destination as it was.
            std::int32_t v;
            std::memcpy(&v, dest, sizeof v);
            const bool ok = ParseInt32(text, n, 0, v);
            Store(dest, v);
            return ok;
        }
        case ftLargeint: {
            std::int64_t v = 0;
            if (!ParseInt64(text, n, v)) return false;
            Store(dest, v);
            return true;
        }
        case ftBoolean:
            Store(dest, static_cast<std::uint16_t>(text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y' ? 1 : 0));
            return true;
        case ftFloat:
        case ftCurrency: {
            double v = 0;
            if (!ParseDecimal(text, n, v)) return false;
            Store(dest, v);
            return true;
        }
        case ftDate:
        case ftDateTime:
            StoreDate(dest, kind, nativeFormat, ParseDateText(text, n));
            return true;
        default:
            return true;
    }
}

}  // namespace korvane::dbf
