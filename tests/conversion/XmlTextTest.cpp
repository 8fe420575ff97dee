// What an attribute carries: XmlCarries agrees with the escaping, character for character.
#include <gtest/gtest.h>

#include "conversion/XmlText.h"

namespace korvane {
namespace {

TEST(XmlText, CarriesWhatTheEscapingKeeps) {
    const std::vector<std::pair<std::u16string, bool>> cases = {
        {u"NAZEV", true},     {u"A B&<>\"\t\n\r", true}, {u"Čára\u00A0", true},    {u"\U0001F600", true},
        {u"x\u0001y", false}, {u"\u007F\u0085", true},   {u"\uFFFE", false},       {u"\uFFFF", false},
        {u"a\xD800", false},  {u"\xDC00z", false},       {u"\xDC00\xD800", false}, {u"", true},
    };
    for (const auto& [text, carried] : cases) {
        std::u16string escaped;
        AppendXmlAttributeValue(escaped, text);
        const bool keeps = escaped.find(u'\uFFFD') == std::u16string::npos;
        EXPECT_EQ(XmlCarries(text), carried) << escaped.size();
        EXPECT_EQ(keeps, carried) << escaped.size();
    }
}

}  // namespace
}  // namespace korvane
