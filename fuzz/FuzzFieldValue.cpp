// Fuzz target: one field's value decoded from arbitrary descriptor and record bytes, in every
// requested kind, and rendered as text.
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <variant>

#include "dbf/FieldValue.h"
#include "fields/DateTime.h"
#include "fields/NumberFormat.h"
#include "platform/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    using namespace korvane;
    static const dbf::TXBaseVersion kLevels[] = {dbf::xBaseIII, dbf::xBaseV, dbf::xFoxPro, dbf::xBaseVII};
    dbf::FieldDecodingContext context;
    context.level = kLevels[data[0] % 4];
    context.dateTimeHandling = (data[1] & 1) ? dbf::dtDateTime : dbf::dtBDETimeStamp;
    dbf::TDbfFieldDef def(context.level);
    def.Size = data[3] | ((data[4] & 1) << 8);
    def.DescriptorWidth = def.Size;
    def.Precision = data[5];
    def.Offset = 1;
    def.SetNativeFieldType(data[2]);
    const std::span<const std::uint8_t> record(data + 5, size - 5);
    for (int kind = ftUnknown; kind <= ftLargeint; ++kind) {
        for (bool wantValue : {true, false}) {
            dbf::DecodedField decoded;
            try {
                decoded = dbf::DecodeFieldValue(context, def, static_cast<TFieldType>(kind), record, wantValue);
            } catch (const Exception&) {
                continue;
            }
            // Every value renders as the field objects render it.
            std::u16string text;
            std::visit(
                [&](const auto& v) {
                    using T = std::decay_t<decltype(v)>;
                    if constexpr (std::is_same_v<T, dbf::DateValue>) {
                        AppendDateTimeText(korvane::platform::PlatformSettings{}, text, v.value, true);
                    } else if constexpr (std::is_same_v<T, double>) {
                        AppendGeneralFloat(text, v, 15, u',');
                    } else if constexpr (std::is_same_v<T, std::int64_t>) {
                        AppendCurrency(text, v, u'.');
                        AppendDecimal(text, v);
                    } else if constexpr (std::is_integral_v<T>) {
                        AppendDecimal(text, static_cast<std::int64_t>(v));
                    } else if constexpr (std::is_same_v<T, dbf::InvalidTimeStamp>) {
                        const std::string said = dbf::InvalidTimeStampText(v);
                        text.append(said.begin(), said.end());
                    } else if constexpr (!std::is_same_v<T, std::monostate>) {
                        text.append(v.bytes.begin(), v.bytes.end());
                    }
                },
                decoded.value);
        }
    }
    return 0;
}
