// Reader-level field definitions, one per field descriptor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fields/FieldType.h"

namespace korvane::dbf {

enum TXBaseVersion { xUnknown, xClipper, xBaseIII, xBaseIV, xBaseV, xFoxPro, xBaseVII };

class TDbfFieldDef {
public:
    explicit TDbfFieldDef(TXBaseVersion version) : DbfVersion(version) {}

    // Upper-cases 'a'..'z', stores the letter, derives the kind, then normalises size and precision.
    void SetNativeFieldType(std::uint8_t letter);
    void NativeToVCL();
    void CheckSizePrecision();
    // True for memo-like fields, which live in the memo file: G, M and FoxPro's W, and B
    // where it is no double.
    bool IsBlob() const;
    // dBase III and V tables written by other xBase programs: their I, @ and 8-byte B fields
    // use FoxPro's little-endian forms.
    bool FoxProBinaryForms() const { return DbfVersion == xBaseIII || DbfVersion == xBaseV; }
    // Forms that Clipper and Harbour write: at dBase III and V, and at FoxPro level for letters
    // and widths FoxPro has none of (Harbour marks every table with an .fpt as FoxPro's).
    bool HarbourForms() const { return FoxProBinaryForms() || DbfVersion == xFoxPro; }
    // Harbour's binary date (3 or 4 bytes, a Julian day) and time of day (4 bytes, milliseconds).
    bool BinaryDate() const { return NativeFieldType == 'D' && HarbourForms() && (DescriptorWidth == 3 || DescriptorWidth == 4); }
    bool TimeOfDay() const { return NativeFieldType == 'T' && HarbourForms() && DescriptorWidth == 4; }
    // Harbour's variable-length field: text unless its descriptor says binary (Visual FoxPro's
    // own Q is always binary).
    bool VarText() const { return NativeFieldType == 'Q' && !VisualFoxPro && (DescriptorFlags & kBinaryFlag) == 0; }
    // Harbour's Unicode fields: UTF-16 character, varchar and memo.
    bool Unicode() const { return NativeFieldType >= kUnicodeCharacter && NativeFieldType <= kUnicodeMemo; }
    static constexpr std::uint8_t kUnicodeCharacter = 0x1A;
    static constexpr std::uint8_t kUnicodeVarchar = 0x1B;
    static constexpr std::uint8_t kUnicodeMemo = 0x1C;
    static constexpr std::uint8_t kBinaryFlag = 0x04;
    // Harbour's integer stored times ten to the power of its decimals (dBase III and V).
    // Visual FoxPro marks a memo that holds binary data (pictures, compiled code) in its flags.
    bool BinaryMemo() const { return NativeFieldType == 'M' && DbfVersion == xFoxPro && (DescriptorFlags & kBinaryFlag) != 0; }
    bool ScaledInteger() const { return NativeFieldType == 'I' && FoxProBinaryForms() && DescriptorPrecision > 0; }

    std::string FieldName;   // 8-bit text in the system ANSI code page
    std::string StoredName;  // the descriptor's name bytes as stored, before upper-casing
    TFieldType FieldType = ftUnknown;
    std::uint8_t NativeFieldType = 0;
    std::int32_t Size = 0;
    std::int32_t Precision = 0;
    std::int32_t Offset = 0;
    std::uint32_t AutoInc = 0;
    std::int32_t NullPosition = -1;
    // FoxPro 9 V and Q fields: the _NULLFLAGS bit that says the last byte holds the length.
    std::int32_t VarLengthPosition = -1;
    bool Required = false;
    bool HasDefault = false;
    bool HasMin = false;
    bool HasMax = false;
    bool IsLockField = false;
    std::vector<std::uint8_t> PropertyBuffers;  // default, minimum, maximum: Size bytes each
    TXBaseVersion DbfVersion;
    // The descriptor's own width (after the FoxPro C rule): the next field starts after it.
    std::int32_t DescriptorWidth = 0;
    std::int32_t DescriptorPrecision = 0;  // the descriptor's decimals, likewise
    std::uint8_t DescriptorFlags = 0;      // byte 18 of a descriptor below level 7
    bool VisualFoxPro = false;             // the table's version byte is Visual FoxPro's (0x30-0x32)
};

class TDbfFieldDefs {
public:
    TDbfFieldDef& AddFieldDef();
    int Count() const { return static_cast<int>(FItems.size()); }
    TDbfFieldDef& Items(int i) { return *FItems.at(static_cast<std::size_t>(i)); }
    const TDbfFieldDef& Items(int i) const { return *FItems.at(static_cast<std::size_t>(i)); }
    void Clear() { FItems.clear(); }

    TXBaseVersion DbfVersion = xBaseIII;

private:
    std::vector<std::unique_ptr<TDbfFieldDef>> FItems;
};

// Y fields are read as BCD (kind 8) rather than currency (kind 7): the program never reads
// them otherwise, so this is a constant rather than a setting.
inline constexpr bool kCurrencyAsBCD = true;

}  // namespace korvane::dbf
