// Decoding one field of a record into a typed value.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <variant>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dbf/DbfErrors.h"
#include "dbf/DbfFile.h"
#include "dbf/FieldValue.h"
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

// A time stamp that forms none, with the bytes it is stored in.
DecodedField Invalid(std::span<const std::uint8_t> stored) {
    InvalidTimeStamp stamp;
    stamp.size = static_cast<std::uint8_t>(std::min(stored.size(), stamp.bytes.size()));
    std::copy_n(stored.begin(), stamp.size, stamp.bytes.begin());
    return {false, stamp};
}

template <typename T>
void Store(void* dest, T value) {
    std::memcpy(dest, &value, sizeof value);
}

bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// Some writers store an empty binary time stamp as blanks, as they would a text field.
bool AllBlank(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == ' '; });
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

// A time stamp held as a day number (1 January of year 1 = 1) and a millisecond of the day,
// stored in `stored`. A day outside the years 1 to 9999 forms none: no calendar, and no
// document format, has such a date.
DecodedField CheckedTimeStamp(std::int64_t day, std::int64_t ms, std::span<const std::uint8_t> stored) {
    constexpr std::int64_t kLastDay = 3652059;  // 31 December 9999
    if (day <= 0 || day > kLastDay || ms < 0 || ms >= kMsPerDay) return Invalid(stored);
    return {true, DateValue{DateTimeFromParts(day, ms)}};
}

// The text of a date field: year in bytes 0-3, month 4-5, day 6-7; missing bytes fail.
TDateTime ParseDateText(const std::uint8_t* text, std::size_t length) {
    int year = 0, month = 0, day = 0;
    if (!DecodeDateText(text, length, year, month, day)) return 0;
    return static_cast<TDateTime>(DayNumberFromDate(year, month, day) - kDateDelta);
}

// FoxPro's time stamp, which Harbour writes for @ too: a little-endian Julian day, then the
// millisecond of the day; null when all 8 bytes are zero (or blank).
DecodedField FoxProTimeStamp(std::span<const std::uint8_t> bin) {
    if (AllZero(bin) || AllBlank(bin)) return {};
    const std::int64_t day = static_cast<std::int64_t>(ReadI32LE(bin, 0)) - 1721425;
    const std::int64_t ms = ReadI32LE(bin, 4);
    return CheckedTimeStamp(day, ms, bin);
}

// A little-endian two's-complement integer of its stored width (1 to 4 bytes, or 8); other
// widths give their first 4 bytes, width 0 no value. Never null otherwise.
DecodedField StoredWidthInteger(std::span<const std::uint8_t> bin, std::int32_t width, TFieldType kind) {
    if (width <= 0) return {};
    std::int64_t v;
    if (width == 8) {
        v = static_cast<std::int64_t>(ReadU64LE(bin, 0));
    } else {
        const int bytes = width < 4 ? width : 4;
        const std::uint32_t raw = ReadU32LE(bin, 0) & (bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1);
        const std::uint32_t sign = 1u << (8 * bytes - 1);
        v = static_cast<std::int32_t>((raw ^ sign) - sign);
    }
    if (kind == ftLargeint) return {true, v};
    return {true, static_cast<std::int32_t>(v)};
}

// Harbour's date of 3 or 4 bytes: a little-endian Julian day; 0, and days outside years 1 to
// 9999, are no value.
DecodedField BinaryDate(std::span<const std::uint8_t> bin, std::int32_t width) {
    const std::uint32_t julian = width == 3 ? (ReadU32LE(bin, 0) & 0xFFFFFFu) : ReadU32LE(bin, 0);
    const std::int64_t day = static_cast<std::int64_t>(julian) - 1721425;
    constexpr std::int64_t kLastDay = 3652059;  // 31 December 9999
    if (julian == 0 || day <= 0 || day > kLastDay) return {};
    return {true, DateValue{DateTimeFromParts(day, 0)}};
}

// Harbour's time of day: the little-endian count of milliseconds since midnight. 0 is no
// value (Harbour stores an empty time and midnight alike); a count past the day forms none.
DecodedField TimeOfDay(std::span<const std::uint8_t> bin) {
    const std::uint32_t ms = ReadU32LE(bin, 0);
    if (ms == 0 || AllBlank(bin.first(4))) return {};
    if (ms >= kMsPerDay) return Invalid(bin.first(4));
    return {true, DateValue{static_cast<double>(ms) / static_cast<double>(kMsPerDay)}};
}

// Harbour's integer with decimals: the stored integer over ten to the power of its decimals.
DecodedField ScaledInteger(std::span<const std::uint8_t> bin, std::int32_t width, std::int32_t decimals);

double DoubleFromBits(std::uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

DecodedField ScaledInteger(std::span<const std::uint8_t> bin, std::int32_t width, std::int32_t decimals) {
    const DecodedField whole = StoredWidthInteger(bin, width, ftLargeint);
    const auto* n = std::get_if<std::int64_t>(&whole.value);
    if (!whole.hasValue || !n) return {};
    return {true, static_cast<double>(*n) / std::pow(10.0, decimals)};
}

// The text form: numbers, dates, logicals and character values written as text.
DecodedField TextForm(std::span<const std::uint8_t> field, TFieldType kind, bool wantValue) {
    const std::span<const std::uint8_t> trimmed = TrimmedText(field, kind);
    const std::uint8_t* text = trimmed.data();
    const std::size_t n = trimmed.size();
    if (n == 0) return {false, kind == ftString ? FieldValue(TextValue{}) : FieldValue()};
    if (!wantValue) return {true, {}};
    switch (kind) {
        case ftString:
            return {true, TextValue{BeforeZeroByte(trimmed)}};
        case ftSmallint: {
            std::int64_t v = 0;
            if (!ParseInt64(text, n, v) || v < -32768 || v > 32767) return {};
            return {true, static_cast<std::int16_t>(v)};
        }
        case ftInteger:
        case ftAutoInc: {
            // Text that is no number leaves the destination as it was; a number out of range
            // gives 0.
            std::int64_t v = 0;
            if (!ParseInt64(text, n, v)) return {};
            if (v < INT32_MIN || v > INT32_MAX) return {false, std::int32_t{0}};
            return {true, static_cast<std::int32_t>(v)};
        }
        case ftLargeint: {
            std::int64_t v = 0;
            if (!ParseInt64(text, n, v)) return {};
            return {true, v};
        }
        case ftBoolean:
            return {true, static_cast<std::uint16_t>(IsTrueLetter(text[0]) ? 1 : 0)};
        case ftFloat:
        case ftCurrency: {
            double v = 0;
            if (!ParseDecimal(text, n, v)) return {};
            return {true, v};
        }
        case ftDate:
        case ftDateTime:
            return {true, DateValue{ParseDateText(text, n)}};
        default:
            return {true, {}};
    }
}

// FoxPro 9 varchar and varbinary fields: whether the record's _NULLFLAGS bit says that the
// field's last byte holds its length, and that length.
bool VarLengthBit(const TDbfFieldDef* nullField, const TDbfFieldDef& def, std::span<const std::uint8_t> record) {
    if (!nullField || def.VarLengthPosition < 0) return false;
    const auto byte = static_cast<std::size_t>(def.VarLengthPosition / 8);
    if (byte >= static_cast<std::size_t>(std::max(nullField->Size, 0))) return false;  // no room for the bit
    return (platform::ByteAt(record, static_cast<std::size_t>(nullField->Offset) + byte) & (1u << (def.VarLengthPosition % 8))) !=
           0;
}

std::size_t VarLength(const TDbfFieldDef& def, std::span<const std::uint8_t> record, std::span<const std::uint8_t> field) {
    // The field's last byte holds the length; one that claims the whole field leaves out
    // the length byte itself.
    if (def.Size <= 0) return 0;
    std::size_t n = platform::ByteAt(record, static_cast<std::size_t>(def.Offset) + static_cast<std::size_t>(def.Size) - 1);
    n = std::min(n, static_cast<std::size_t>(def.Size) - 1);
    return std::min(n, field.size());
}

// How many bytes a field's binary form takes at the least; 0 for a field stored as text.
std::size_t BinaryFormWidth(const TDbfFieldDef& def, const FieldDecodingContext& context) {
    switch (def.NativeFieldType) {
        case 'I':
            return def.FoxProBinaryForms() ? 1 : 4;  // dBase III and V: the width it has
        case '+':
            return 4;
        case 'D':
            return def.BinaryDate() ? 3 : 0;
        case 'T':
            return def.TimeOfDay() ? 4 : 8;
        case '2':
            return 2;
        case '4':
            return 4;
        case 'O':
        case '@':
        case 'Y':
        case '=':
        case '^':
        case '8':
            return 8;
        case 'B':
            return def.FieldType == ftFloat ? 8 : 0;
        case 'M':
        case 'G':
        case 'W':
        case TDbfFieldDef::kUnicodeMemo:
            return context.level == xFoxPro && def.Size == 4 ? 4 : 0;
        default:
            return 0;
    }
}

// A varchar's text: with its length bit set, the first n bytes (n its last byte) up to a zero
// byte; else stored like a C field.
DecodedField VarcharText(const FieldDecodingContext& context, const TDbfFieldDef& def, std::span<const std::uint8_t> record,
                         std::span<const std::uint8_t> field) {
    if (!VarLengthBit(context.nullField, def, record)) return TextForm(field, ftString, true);
    const std::size_t n = VarLength(def, record, field);
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(field.data(), 0, n));
    const std::size_t count = zero ? static_cast<std::size_t>(zero - field.data()) : n;
    return {n > 0, TextValue{field.first(count)}};
}

}  // namespace

std::string HexBytes(std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

std::string InvalidTimeStampBytes(const InvalidTimeStamp& stamp) {
    return HexBytes(std::span<const std::uint8_t>(stamp.bytes).first(stamp.size));
}

std::string InvalidTimeStampText(const InvalidTimeStamp& stamp) {
    return FormatMessage(SInvalidTimeStamp, {InvalidTimeStampBytes(stamp)});
}

std::span<const std::uint8_t> TrimmedText(std::span<const std::uint8_t> field, TFieldType kind) {
    // Trailing blanks and zero bytes never count; leading blanks only for text. Padding is
    // looked at eight bytes at a time: in a little-endian word the last byte that is neither
    // blank nor zero (more than bit 5 set) is its highest such byte.
    constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    constexpr bool kWords = std::endian::native == std::endian::little;
    std::size_t length = field.size();
    while (kWords && length >= 8) {
        std::uint64_t word;
        std::memcpy(&word, field.data() + length - 8, sizeof word);
        const std::uint64_t text = word & ~kBlanks;
        if (text != 0) {
            length -= static_cast<std::size_t>(std::countl_zero(text)) / 8;
            break;
        }
        length -= 8;
    }
    while (length > 0 && (field[length - 1] == ' ' || field[length - 1] == 0)) --length;
    std::size_t start = 0;
    if (kind != ftString) {
        while (kWords && length - start >= 8) {
            std::uint64_t word;
            std::memcpy(&word, field.data() + start, sizeof word);
            const std::uint64_t text = word ^ kBlanks;
            if (text != 0) {
                start += static_cast<std::size_t>(std::countr_zero(text)) / 8;
                break;
            }
            start += 8;
        }
        while (start < length && field[start] == ' ') ++start;
    }
    return field.subspan(start, length - start);
}

#if defined(__SSE2__)
namespace {
// Where the text of a field lies, from its bytes sixteen at a time: one past its last byte
// that is neither blank nor zero, its first byte that is not blank and its first zero byte
// (each the field's size when there is none).
struct TextBounds {
    std::size_t last = 0;
    std::size_t firstNonBlank;
    std::size_t firstZero;
};

TextBounds BoundsPadded(std::span<const std::uint8_t> field) {
    const std::size_t n = field.size();
    TextBounds b{0, n, n};
    const __m128i blank = _mm_set1_epi8(' ');
    const auto masks = [&](std::size_t i, unsigned& blanks, unsigned& zeros) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field.data() + i));
        blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blank)));
        zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
    };
    if (n <= 64) {
        // Most fields: their masks fit one word each, looked at once.
        std::uint64_t blanks = 0, zeros = 0;
        for (std::size_t i = 0; i < n; i += 16) {
            unsigned bl, ze;
            masks(i, bl, ze);
            blanks |= static_cast<std::uint64_t>(bl) << i;
            zeros |= static_cast<std::uint64_t>(ze) << i;
        }
        const std::uint64_t valid = n == 64 ? ~0ull : (1ull << n) - 1;
        const std::uint64_t text = ~(blanks | zeros) & valid, nonBlank = ~blanks & valid, zero = zeros & valid;
        if (text != 0) b.last = 64 - static_cast<std::size_t>(std::countl_zero(text));
        if (nonBlank != 0) b.firstNonBlank = static_cast<std::size_t>(std::countr_zero(nonBlank));
        if (zero != 0) b.firstZero = static_cast<std::size_t>(std::countr_zero(zero));
        return b;
    }
    for (std::size_t i = 0; i < n; i += 16) {
        unsigned blanks, zeros;
        masks(i, blanks, zeros);
        const unsigned valid = n - i >= 16 ? 0xFFFFu : (1u << (n - i)) - 1;
        const unsigned text = ~(blanks | zeros) & valid;
        const unsigned nonBlank = ~blanks & valid;
        const unsigned zero = zeros & valid;
        if (text != 0) b.last = i + 32 - static_cast<std::size_t>(std::countl_zero(text));
        if (b.firstNonBlank == n && nonBlank != 0) b.firstNonBlank = i + static_cast<std::size_t>(std::countr_zero(nonBlank));
        if (b.firstZero == n && zero != 0) b.firstZero = i + static_cast<std::size_t>(std::countr_zero(zero));
    }
    return b;
}
}  // namespace
#endif

std::span<const std::uint8_t> TrimmedTextPadded(std::span<const std::uint8_t> field, TFieldType kind) {
#if defined(__SSE2__)
    const TextBounds b = BoundsPadded(field);
    const std::size_t start = kind == ftString ? 0 : std::min(b.firstNonBlank, b.last);
    return field.subspan(start, b.last - start);
#else
    return TrimmedText(field, kind);
#endif
}

std::span<const std::uint8_t> CharacterTextPadded(std::span<const std::uint8_t> field) {
#if defined(__SSE2__)
    const TextBounds b = BoundsPadded(field);
    return field.first(std::min(b.last, b.firstZero));
#else
    return BeforeZeroByte(TrimmedText(field, ftString));
#endif
}

std::span<const std::uint8_t> BeforeZeroByte(std::span<const std::uint8_t> text) {
    // Eight bytes at a time while none is zero.
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if (((word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull) != 0) break;
    }
    while (i < text.size() && text[i] != 0) ++i;
    return text.first(i);
}

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

FieldByteRange FieldBytesOf(const TDbfFieldDef& def) {
    // A value is read from its field's own bytes and never from the next field's: from its
    // normalised size where that is smaller (a logical's one byte), else from its width as
    // stored (numbers wider than the 20 the schema says, dBase III and V integers).
    std::int32_t width = std::min(def.Size, def.DescriptorWidth);
    switch (def.NativeFieldType) {
        case 'N':
        case 'F':
            width = def.DescriptorWidth;
            break;
        case 'I':
            if (def.FoxProBinaryForms()) width = def.DescriptorWidth;
            break;
        case TDbfFieldDef::kUnicodeCharacter:
        case TDbfFieldDef::kUnicodeVarchar:
            width = def.DescriptorWidth;  // their size counts characters of two bytes
            break;
        default:
            break;
    }
    return {static_cast<std::size_t>(std::max(def.Offset, 0)), static_cast<std::size_t>(std::max(width, 0))};
}

std::span<const std::uint8_t> FieldBytes(const TDbfFieldDef& def, std::span<const std::uint8_t> source) {
    return FieldBytesOf(def).In(source);
}

bool NullFlagSet(const TDbfFieldDef* nullField, const TDbfFieldDef& def, std::span<const std::uint8_t> source) {
    if (!nullField || def.NullPosition < 0) return false;
    const std::size_t at = static_cast<std::size_t>(nullField->Offset) + static_cast<std::size_t>(def.NullPosition / 8);
    return (platform::ByteAt(source, at) & (1u << (def.NullPosition % 8))) != 0;
}

DecodedField DecodeFieldValue(const FieldDecodingContext& context, const TDbfFieldDef& def, TFieldType kind,
                              std::span<const std::uint8_t> source, bool wantValue) {
    if (source.empty()) return {};
    const std::span<const std::uint8_t> field = FieldBytes(def, source);
    // Binary forms read a fixed width from the field's own bytes: a field too narrow for its
    // form has no value; bytes the record lacks count as zero.
    std::array<std::uint8_t, 8> fixed{};
    const std::span<const std::uint8_t> bin(fixed);
    const bool foxPro = context.level == xFoxPro;
    if (const std::size_t form = BinaryFormWidth(def, context); form > 0) {
        if (static_cast<std::size_t>(std::max(def.DescriptorWidth, 0)) < form) return {};
        std::copy_n(field.begin(), std::min<std::size_t>(field.size(), 8), fixed.begin());
    }

    switch (def.NativeFieldType) {
        case 'I':
        case '+':
            if (foxPro || (def.NativeFieldType == '+' && def.HarbourForms())) return {true, ReadI32LE(bin, 0)};
            if (def.ScaledInteger()) return ScaledInteger(bin, def.DescriptorWidth, def.DescriptorPrecision);
            if (def.FoxProBinaryForms() && def.NativeFieldType == 'I') return StoredWidthInteger(bin, def.DescriptorWidth, kind);
            if (AllZero(bin.first(4))) return {};
            return {true, static_cast<std::int32_t>(ReadU32BE(bin, 0) ^ 0x80000000u)};
        // Harbour's binary forms, all little-endian.
        case '2':
            return {true, static_cast<std::int16_t>(platform::ReadU16LE(bin, 0))};
        case '4':
            return {true, ReadI32LE(bin, 0)};
        case '^':
            return {true, static_cast<std::int64_t>(ReadU64LE(bin, 0))};
        case '8':
            return {true, DoubleFromBits(ReadU64LE(bin, 0))};
        case '=':
            return FoxProTimeStamp(bin);
        case 'D':
            if (def.BinaryDate()) return BinaryDate(bin, def.DescriptorWidth);
            break;
        case 'O': {
            if (AllZero(bin)) return {};
            std::uint64_t bits = ReadU64BE(bin, 0);
            bits = (bits & 0x8000000000000000ull) ? bits & 0x7FFFFFFFFFFFFFFFull : ~bits;
            return {true, DoubleFromBits(bits)};
        }
        case '@': {
            // Only dBase 7 defines @, as a big-endian double of milliseconds; Harbour writes
            // it at every other level as FoxPro's T.
            if (context.level != xBaseVII) return FoxProTimeStamp(bin);
            if (AllZero(bin.first(4)) || AllZero(bin.subspan(4, 4)) || AllBlank(bin)) return {};
            const double v = DoubleFromBits(ReadU64BE(bin, 0));
            if (context.dateTimeHandling != dtBDETimeStamp) return {true, DateValue{v}};
            if (!std::isfinite(v)) return Invalid(bin);
            const double rounded = std::nearbyint(std::clamp(v, -9.0e18, 9.0e18));
            const auto ms = static_cast<std::int64_t>(rounded);
            return CheckedTimeStamp(ms / kMsPerDay, ms % kMsPerDay, bin);
        }
        case 'T':
            if (def.TimeOfDay()) return TimeOfDay(bin);
            return FoxProTimeStamp(bin);
        case 'B':
            if (def.FieldType != ftFloat) break;  // a memo reference
            return {true, DoubleFromBits(ReadU64LE(bin, 0))};
        case 'Y': {
            const auto amount = static_cast<std::int64_t>(ReadU64LE(bin, 0));
            if (kind == ftCurrency) return {true, static_cast<double>(amount) / 10000.0};
            return {true, amount};
        }
        case 'M':
        case 'G':
        case 'W':
        case TDbfFieldDef::kUnicodeMemo:
            if (def.Size != 4) break;
            // The block number is delivered even when it is 0 (blank).
            return {!AllZero(bin.first(4)), ReadI32LE(bin, 0)};
        case 'Q':
            if (def.FieldType == ftString) return VarcharText(context, def, source, field);
            {
                // Varbinary: the bytes as stored, nothing trimmed.
                const std::size_t n = VarLengthBit(context.nullField, def, source) ? VarLength(def, source, field) : field.size();
                return {n > 0, VarBytesValue{field.first(n)}};
            }
        case TDbfFieldDef::kUnicodeCharacter: {
            // UTF-16 little-endian; trailing blanks and zeros are padding.
            std::size_t n = field.size() & ~std::size_t{1};
            while (n >= 2 && field[n - 1] == 0 && (field[n - 2] == ' ' || field[n - 2] == 0)) n -= 2;
            return {n > 0, VarBytesValue{field.first(n)}};
        }
        case TDbfFieldDef::kUnicodeVarchar: {
            // The count of code units is in the last two bytes, whatever the length bit says.
            const std::size_t units = field.size() >= 2 ? platform::ReadU16LE(field, field.size() - 2) : 0;
            if (units > field.size() / 2 - 1) return {false, VarBytesValue{}};
            return {units > 0, VarBytesValue{field.first(2 * units)}};
        }
        case 'V':
            return VarcharText(context, def, source, field);
        default:
            break;
    }
    return TextForm(field, kind, wantValue);
}

DecodedField TDbfFile::DecodeField(int column, TFieldType kind, std::span<const std::uint8_t> record) const {
    if (record.empty() || column < 0 || column >= FFieldDefs.Count()) return {};
    return DecodeFieldValue(DecodingContext(), FFieldDefs.Items(column), kind, record, true);
}

bool TDbfFile::GetFieldDataFromDef(const TDbfFieldDef& def, TFieldType kind, std::span<const std::uint8_t> source, void* dest,
                                   bool nativeFormat) {
    if (source.empty()) return false;
    if (FNullField && !dest && def.NullPosition >= 0) return !dbf::NullFlagSet(FNullField, def, source);
    const DecodedField decoded = DecodeFieldValue(DecodingContext(), def, kind, source, dest != nullptr);
    if (dest) {
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, DateValue>) {
                    StoreDate(dest, kind, nativeFormat, v.value);
                } else if constexpr (std::is_same_v<T, TextValue>) {
                    auto* out = static_cast<std::uint8_t*>(dest);
                    if (!v.bytes.empty()) std::memcpy(out, v.bytes.data(), v.bytes.size());
                    out[v.bytes.size()] = 0;
                } else if constexpr (std::is_same_v<T, VarBytesValue>) {
                    const auto length = static_cast<std::uint16_t>(v.bytes.size());
                    std::memcpy(dest, &length, sizeof length);
                    if (!v.bytes.empty())
                        std::memcpy(static_cast<std::uint8_t*>(dest) + sizeof length, v.bytes.data(), v.bytes.size());
                } else if constexpr (!std::is_same_v<T, std::monostate> && !std::is_same_v<T, InvalidTimeStamp>) {
                    Store(dest, v);
                }
            },
            decoded.value);
    }
    return decoded.hasValue;
}

}  // namespace korvane::dbf
