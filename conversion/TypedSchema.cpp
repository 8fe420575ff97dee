#include "conversion/TypedSchema.h"

#include <algorithm>
#include <string>

#include "conversion/XmlText.h"
#include "dbf/Dbf.h"
#include "dbf/NumberText.h"
#include "platform/CodePages.h"
#include "platform/Unicode.h"

namespace korvane {

Xsd XsdOf(const dbf::TDbfFieldDef& def) {
    switch (def.NativeFieldType) {
        case 'C':
        case 'V':
        case 0x91:
        case dbf::TDbfFieldDef::kUnicodeCharacter:
        case dbf::TDbfFieldDef::kUnicodeVarchar:
            return Xsd::String;
        case 'Q':
            return def.FieldType == ftString ? Xsd::String : Xsd::Binary;
        case 'M':
            return def.BinaryMemo() ? Xsd::Binary : Xsd::Memo;
        case dbf::TDbfFieldDef::kUnicodeMemo:
            return Xsd::Memo;
        case 'N':
        case 'F':
            return def.FieldType == ftFloat ? Xsd::Decimal : Xsd::Integer;
        case 'Y':
            return Xsd::Currency;
        case 'I':
            if (def.ScaledInteger()) return Xsd::Decimal;
            return def.FieldType == ftLargeint ? Xsd::Long : Xsd::Int;
        case '+':
        case '4':
            return Xsd::Int;
        case '2':
            return Xsd::Short;
        case '^':
            return Xsd::Long;
        case '8':
            return Xsd::Double;
        case '=':
            return Xsd::DateTime;
        case 'B':
            return def.FieldType == ftFloat ? Xsd::Double : Xsd::Binary;
        case 'O':
            return Xsd::Double;
        case 'L':
            return Xsd::Boolean;
        case 'D':
            return Xsd::Date;
        case 'T':
            return def.TimeOfDay() ? Xsd::Time : Xsd::DateTime;
        case '@':
            return Xsd::DateTime;
        default:
            return Xsd::Binary;  // Q, G, W, 0 and _NULLFLAGS
    }
}

namespace {

const char16_t* TypeName(Xsd kind) {
    switch (kind) {
        case Xsd::String:
        case Xsd::Memo:
            return u"xs:string";
        case Xsd::Decimal:
        case Xsd::Currency:
            return u"xs:decimal";
        case Xsd::Integer:
            return u"xs:integer";
        case Xsd::Short:
            return u"xs:short";
        case Xsd::Int:
            return u"xs:int";
        case Xsd::Long:
            return u"xs:long";
        case Xsd::Double:
            return u"xs:double";
        case Xsd::Boolean:
            return u"xs:boolean";
        case Xsd::Date:
            return u"xs:date";
        case Xsd::DateTime:
            return u"xs:dateTime";
        case Xsd::Time:
            return u"xs:time";
        case Xsd::Binary:
            return u"xs:base64Binary";
    }
    return u"xs:string";
}

// The type byte as the annotation shows it: the letter itself where an attribute value carries
// it as it is, else 0x and two hexadecimal digits (Harbour's Unicode fields are 0x1A to 0x1C,
// and XML 1.0 has no way to write those characters at all).
std::u16string TypeByteText(std::uint8_t type) {
    if (type > 0x20 && type < 0x7F && type != '"' && type != '&' && type != '<')
        return std::u16string(1, static_cast<char16_t>(type));
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    return std::u16string(u"0x") + kHex[type >> 4] + kHex[type & 15];
}

// The field's own name where its attribute name differs from it: its stored bytes (before
// upper-casing, up to a zero byte) decoded as the document decodes names, or those bytes in
// hexadecimal where XML cannot carry the name.
std::u16string OwnNameAttribute(const dbf::TDbfFieldDef& def, const std::u16string& attribute, platform::TextDecoder* decoder,
                                std::uint32_t systemCodePage) {
    const std::string& stored = def.StoredName;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size());
    std::u16string name;
    if (decoder)
        decoder->Decode(bytes, name);
    else
        platform::MultiByteToWide(systemCodePage, bytes, name);
    if (name == attribute) return {};
    if (!XmlCarries(name)) return u" name-bytes=\"" + platform::Widen(dbf::HexBytes(bytes)) + u"\"";
    std::u16string escaped;
    AppendXmlAttributeValue(escaped, name);
    return u" name=\"" + escaped + u"\"";
}

}  // namespace

void WriteTypedSchema(TTextRec& out, dbf::TDbf& table, const std::vector<std::u16string>& names, platform::TextDecoder* decoder) {
    WriteLineStatement(out, u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    WriteLineStatement(out, u"<table>");
    WriteLineStatement(out,
                       u"   <xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:korvane=\"urn:korvane:dbf-field\">");
    WriteLineStatement(out, u"      <xs:element name=\"table\">");
    WriteLineStatement(out, u"         <xs:complexType>");
    WriteLineStatement(out, u"            <xs:sequence>");
    // The schema itself stands in the document; validation passes over it.
    WriteLineStatement(out, u"               <xs:any namespace=\"http://www.w3.org/2001/XMLSchema\" processContents=\"skip\"/>");
    WriteLineStatement(out, u"               <xs:element name=\"row\" minOccurs=\"0\" maxOccurs=\"unbounded\">");
    WriteLineStatement(out, u"                  <xs:complexType>");
    const dbf::TDbfFieldDefs& defs = *table.GetDbfFieldDefs();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const dbf::TDbfFieldDef& def = defs.Items(static_cast<int>(i));
        // The null flags are the table's own bookkeeping: the attributes left out say it.
        if (&def == table.DbfFile()->NullField()) continue;
        const Xsd kind = XsdOf(def);
        WriteLineStatement(out, u"                     <xs:attribute name=\"" + names[i] + u"\" use=\"optional\">");
        WriteLineStatement(out, u"                        <xs:annotation><xs:appinfo><korvane:field" +
                                    OwnNameAttribute(def, names[i], decoder, table.Settings.ansiCodePage) + u" type=\"" +
                                    TypeByteText(def.NativeFieldType) + u"\" width=\"" +
                                    platform::Widen(std::to_string(def.DescriptorWidth)) + u"\" decimals=\"" +
                                    platform::Widen(std::to_string(def.DescriptorPrecision)) +
                                    u"\"/></xs:appinfo></xs:annotation>");
        if (kind == Xsd::String) {
            WriteLineStatement(out, u"                        <xs:simpleType>");
            WriteLineStatement(out, u"                           <xs:restriction base=\"xs:string\">");
            WriteLineStatement(out, u"                              <xs:maxLength value=\"" +
                                        platform::Widen(std::to_string(std::max(def.Size, 0))) + u"\"/>");
            WriteLineStatement(out, u"                           </xs:restriction>");
            WriteLineStatement(out, u"                        </xs:simpleType>");
        } else {
            WriteLineStatement(out, u"                        <xs:simpleType><xs:restriction base=\"" +
                                        std::u16string(TypeName(kind)) + u"\"/></xs:simpleType>");
        }
        WriteLineStatement(out, u"                     </xs:attribute>");
    }
    WriteLineStatement(out, u"                  </xs:complexType>");
    WriteLineStatement(out, u"               </xs:element>");
    WriteLineStatement(out, u"            </xs:sequence>");
    WriteLineStatement(out, u"         </xs:complexType>");
    WriteLineStatement(out, u"      </xs:element>");
    WriteLineStatement(out, u"   </xs:schema>");
}

}  // namespace korvane
