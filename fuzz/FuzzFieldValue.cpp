// Fuzz target: one field's value decoded from arbitrary descriptor and record bytes, in every
// requested kind, and rendered as text.
#include <cstdint>
#include <cstring>
#include <string>

#include "dbf/DbfFile.h"
#include "fields/DateTime.h"
#include "fields/NumberFormat.h"
#include "platform/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    using namespace korvane;
    static const dbf::TXBaseVersion kLevels[] = {dbf::xBaseIII, dbf::xBaseV, dbf::xFoxPro, dbf::xBaseVII};
    dbf::TDbfFile file("", dbf::pfReadOnly);
    file.DbfVersion = kLevels[data[0] % 4];
    file.DateTimeHandling = (data[1] & 1) ? dbf::dtDateTime : dbf::dtBDETimeStamp;
    dbf::TDbfFieldDef def(file.DbfVersion);
    def.Size = data[3] | ((data[4] & 1) << 8);
    def.Precision = data[5];
    def.Offset = 1;
    def.SetNativeFieldType(data[2]);
    const std::span<const std::uint8_t> record(data + 5, size - 5);
    for (int kind = ftUnknown; kind <= ftLargeint; ++kind) {
        for (bool native : {true, false}) {
            std::uint8_t buffer[70000];
            std::memset(buffer, 0, sizeof buffer);
            try {
                if (!file.GetFieldDataFromDef(def, static_cast<TFieldType>(kind), record, buffer, native)) continue;
            } catch (const Exception&) {
                continue;
            }
            std::u16string text;
            double d;
            std::int64_t i;
            std::memcpy(&d, buffer, sizeof d);
            std::memcpy(&i, buffer, sizeof i);
            AppendGeneralFloat(text, d, 15, u',');
            AppendCurrency(text, i, u'.');
            AppendDecimal(text, i);
            AppendDateTimeText(text, d, true);
        }
    }
    return 0;
}
