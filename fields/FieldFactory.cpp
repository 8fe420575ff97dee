#include "fields/FieldFactory.h"

#include "fields/DatabaseError.h"
#include "fields/NumericFields.h"
#include "fields/OtherFields.h"
#include "fields/StringField.h"

namespace korvane {

std::unique_ptr<TField> CreateFieldForDef(const TFieldDef& def) {
    std::unique_ptr<TField> field;
    switch (def.DataType) {
        case ftString:
            if (def.Size < 0) throw EDatabaseError(SInvalidFieldSize);
            field = std::make_unique<TStringField>();
            break;
        case ftSmallint:
            field = std::make_unique<TSmallintField>();
            break;
        case ftInteger:
            field = std::make_unique<TIntegerField>();
            break;
        case ftBoolean:
            field = std::make_unique<TBooleanField>();
            break;
        case ftFloat:
            field = std::make_unique<TFloatField>();
            break;
        case ftCurrency:
            field = std::make_unique<TCurrencyField>();
            break;
        case ftBCD: {
            if (def.Size > 32) throw EDatabaseError(SInvalidFieldSize);
            auto bcd = std::make_unique<TBCDField>();
            bcd->Precision = def.Precision;
            field = std::move(bcd);
            break;
        }
        case ftDate:
            field = std::make_unique<TDateField>();
            break;
        case ftDateTime:
            field = std::make_unique<TDateTimeField>();
            break;
        case ftTime:
            field = std::make_unique<TTimeField>();
            break;
        case ftBytes:
            if (def.Size == 0) throw EDatabaseError(SInvalidFieldSize);
            field = std::make_unique<TBytesField>();
            break;
        case ftVarBytes:
            field = std::make_unique<TVarBytesField>();
            break;
        case ftAutoInc:
            field = std::make_unique<TAutoIncField>();
            break;
        case ftBlob:
            field = std::make_unique<TBlobField>();
            break;
        case ftMemo:
            field = std::make_unique<TMemoField>();
            break;
        case ftDBaseOle:
            field = std::make_unique<TBlobField>(ftDBaseOle);
            break;
        case ftLargeint:
            field = std::make_unique<TLargeintField>();
            break;
        case ftWideString:
            field = std::make_unique<TWideStringField>();
            break;
        case ftWideMemo:
            field = std::make_unique<TWideMemoField>();
            break;
        default:
            throw EDatabaseError(SInvalidFieldSize);
    }
    field->FieldName = def.Name;
    field->Size = def.Size;
    return field;
}

}  // namespace korvane
