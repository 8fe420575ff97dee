#include "conversion/FieldTextReader.h"

#include <algorithm>

#include "conversion/CpConvert.h"
#include "dbf/Dbf.h"
#include "fields/OtherFields.h"
#include "fields/StringField.h"
#include "platform/CodePages.h"

namespace korvane {

FieldTextReader::FieldTextReader(dbf::TDbf& table, platform::TextDecoder* decoder)
    : FDecoder(decoder), FSystemCodePage(table.Settings.ansiCodePage) {
    for (const auto& field : table.Fields()) {
        auto* text = dynamic_cast<TStringField*>(field.get());
        if (text) text->Transliterate = false;
        FTexts.push_back(text);
        // A memo holds text like a character field and is repaired as one value; the other
        // blobs hold bytes and are left as they are.
        FMemos.push_back(dynamic_cast<TMemoField*>(field.get()));
    }
}

void FieldTextReader::Read(TField& field, std::size_t i, std::u16string& value) {
    if (FDecoder && IsText(i)) {
        if (FTexts[i])
            FTexts[i]->GetBytes(FBytes);
        else
            FMemos[i]->GetBytes(FBytes);
        FDecoder->Decode({reinterpret_cast<const std::uint8_t*>(FBytes.data()), FBytes.size()}, value);
        return;
    }
    field.GetText(value);
    if (IsText(i)) RepairCharacterValue(value);
}

void FieldTextReader::RepairCharacterValue(std::u16string& value) {
    // Plain ASCII passes the test and the repair unchanged.
    if (std::all_of(value.begin(), value.end(), [](char16_t c) { return c < 0x80; })) return;
    const std::uint32_t system = FSystemCodePage;
    FBytes.clear();
    platform::WideToMultiByte(system, value, FBytes);
    if (!cp_Is852(FBytes)) return;
    cp852ToWinInPlace(FBytes);
    value.clear();
    platform::MultiByteToWide(system, {reinterpret_cast<const std::uint8_t*>(FBytes.data()), FBytes.size()}, value);
}

}  // namespace korvane
