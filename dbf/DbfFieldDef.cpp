#include "dbf/DbfFieldDef.h"

#include <algorithm>

namespace korvane::dbf {

TDbfFieldDef& TDbfFieldDefs::AddFieldDef() {
    FItems.push_back(std::make_unique<TDbfFieldDef>(DbfVersion));
    return *FItems.back();
}

void TDbfFieldDef::SetNativeFieldType(std::uint8_t letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<std::uint8_t>(letter - 'a' + 'A');
    NativeFieldType = letter;
    NativeToVCL();
    CheckSizePrecision();
}

void TDbfFieldDef::NativeToVCL() {
    const bool foxPro = DbfVersion == xFoxPro;
    switch (NativeFieldType) {
        case 'C':
        case 0x91:
            FieldType = ftString;
            break;
        // FoxPro 9: varchar, varbinary and blob.
        case 'V':
            FieldType = foxPro ? ftString : ftUnknown;
            break;
        case 'Q':
            if (VisualFoxPro)
                FieldType = ftVarBytes;
            else if (HarbourForms())
                FieldType = VarText() ? ftString : ftVarBytes;
            else
                FieldType = ftUnknown;
            break;
        case kUnicodeCharacter:
        case kUnicodeVarchar:
            FieldType = HarbourForms() && DescriptorWidth % 2 == 0 ? ftWideString : ftUnknown;
            break;
        case kUnicodeMemo:
            FieldType = HarbourForms() ? ftWideMemo : ftUnknown;
            break;
        case 'W':
            FieldType = foxPro ? ftBlob : ftUnknown;
            break;
        case 'N':
        case 'F':
            // Decided on the width as stored, before it is clamped.
            if (Precision != 0)
                FieldType = ftFloat;
            else if (Size <= 4)
                FieldType = ftSmallint;
            else if (Size < 10)
                FieldType = ftInteger;
            else
                FieldType = ftLargeint;
            break;
        case 'I':
            FieldType = ScaledInteger() ? ftFloat : FoxProBinaryForms() && DescriptorWidth == 8 ? ftLargeint : ftInteger;
            break;
        case '+':
            FieldType = DbfVersion == xBaseVII || (HarbourForms() && DescriptorWidth == 4) ? ftAutoInc : ftUnknown;
            break;
        // Harbour's binary numbers and its modification time, each of one width only.
        case '=':
            FieldType = HarbourForms() && DescriptorWidth == 8 ? ftDateTime : ftUnknown;
            break;
        case '^':
            FieldType = HarbourForms() && DescriptorWidth == 8 ? ftLargeint : ftUnknown;
            break;
        case '2':
            FieldType = HarbourForms() && DescriptorWidth == 2 ? ftSmallint : ftUnknown;
            break;
        case '4':
            FieldType = HarbourForms() && DescriptorWidth == 4 ? ftInteger : ftUnknown;
            break;
        case '8':
            FieldType = HarbourForms() && DescriptorWidth == 8 ? ftFloat : ftUnknown;
            break;
        case 'L':
            FieldType = ftBoolean;
            break;
        case 'D':
            FieldType = ftDate;
            break;
        case 'T':
            FieldType = TimeOfDay() ? ftTime : ftDateTime;
            break;
        case '@':
            FieldType = ftDateTime;
            break;
        case 'O':
            FieldType = ftFloat;
            break;
        case 'B':
            FieldType = foxPro || (FoxProBinaryForms() && DescriptorWidth == 8) ? ftFloat : ftBlob;
            break;
        case 'M':
            FieldType = ftMemo;
            break;
        case 'G':
            FieldType = ftDBaseOle;
            break;
        case 'Y':
            FieldType = kCurrencyAsBCD ? ftBCD : ftCurrency;
            break;
        case '0':
            FieldType = ftBytes;
            break;
        default:
            FieldType = ftUnknown;
            break;
    }
    if (FieldType == ftUnknown) NativeFieldType = 0;
}

void TDbfFieldDef::CheckSizePrecision() {
    const bool foxPro = DbfVersion == xFoxPro;
    switch (NativeFieldType) {
        case 'C':
            Size = std::clamp(Size, 0, foxPro ? 65535 : 255);
            Precision = 0;
            break;
        case 'V':
            Size = std::clamp(Size, 0, 255);
            Precision = 0;
            break;
        case 'Q':
            Precision = 0;
            break;
        case kUnicodeCharacter:
        case kUnicodeVarchar:
            Size = DescriptorWidth / 2;  // in characters
            Precision = 0;
            break;
        case 'N':
        case 'F':
            Size = std::clamp(Size, 1, 20);
            if (FieldType == ftFloat) {
                if (Precision > Size - 2) Precision = Size - 2;
                if (Precision < 0) Precision = 0;
            } else {
                Precision = 0;
            }
            break;
        case 'I':
            if (FieldType == ftFloat) {
                Size = DescriptorWidth;  // a scaled integer keeps its decimals
                break;
            }
            [[fallthrough]];
        case '+':
            Size = FieldType == ftLargeint ? 8 : 4;
            Precision = 0;
            break;
        case '2':
        case '4':
        case '8':
        case '^':
        case '=':
            Size = DescriptorWidth;
            Precision = 0;
            break;
        case 'L':
            Size = 1;
            Precision = 0;
            break;
        case 'D':
            Size = 8;
            Precision = 0;
            break;
        case 'T':
            Size = FieldType == ftTime ? 4 : foxPro ? 8 : 14;
            Precision = 0;
            break;
        case '@':
        case 'O':
            Size = 8;
            Precision = 0;
            break;
        case 'B':
            if (FieldType != ftFloat) {
                Size = 10;
                Precision = 0;
            }
            break;
        case 'M':
        case 'G':
        case 'W':
        case kUnicodeMemo:
            if (foxPro) {
                if (Size != 4 && Size != 10) Size = 4;
            } else {
                Size = 10;
            }
            Precision = 0;
            break;
        case 'Y':
            Size = 8;
            Precision = 4;
            break;
        default:
            break;  // 0x91, '0' and unknown letters keep their values
    }
}

bool TDbfFieldDef::IsBlob() const {
    switch (NativeFieldType) {
        case 'G':
        case 'M':
        case 'W':
        case kUnicodeMemo:
            return true;
        // FoxPro's B is a double yet keeps its place among the memo fields; the 8-byte
        // double of dBase III and V tables does not.
        case 'B':
            return DbfVersion == xFoxPro || FieldType == ftBlob;
        default:
            return false;
    }
}

}  // namespace korvane::dbf
