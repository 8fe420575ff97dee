#include "conversion/XmlText.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Unicode.h"

namespace korvane {

void AppendXmlAttributeValue(std::u16string& out, std::u16string_view value) {
    const std::size_t n = value.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = i;
#if defined(__SSE2__)
        // Eight units at a time while they are printable ASCII other than & < > ".
        const __m128i space = _mm_set1_epi16(0x20), del = _mm_set1_epi16(0x7F);
        const __m128i amp = _mm_set1_epi16('&'), lt = _mm_set1_epi16('<'), gt = _mm_set1_epi16('>'), quot = _mm_set1_epi16('"');
        while (run + 8 <= n) {
            const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value.data() + run));
            __m128i bad = _mm_or_si128(_mm_cmplt_epi16(u, space), _mm_cmpgt_epi16(u, del));
            bad = _mm_or_si128(bad, _mm_or_si128(_mm_cmpeq_epi16(u, amp), _mm_cmpeq_epi16(u, lt)));
            bad = _mm_or_si128(bad, _mm_or_si128(_mm_cmpeq_epi16(u, gt), _mm_cmpeq_epi16(u, quot)));
            if (_mm_movemask_epi8(bad) != 0) break;
            run += 8;
        }
#endif
        while (run < n && IsPlainXmlCharacter(value[run])) ++run;
        out.append(value.data() + i, run - i);
        if (run == n) break;
        i = run;
        const char16_t c = value[i];
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            case u'\t':
                out += u"&#9;";
                break;
            case u'\n':
                out += u"&#10;";
                break;
            case u'\r':
                out += u"&#13;";
                break;
            default:
                if (platform::IsHighSurrogate(c) && i + 1 < n && platform::IsLowSurrogate(value[i + 1])) {
                    out += c;
                    out += value[++i];
                } else {
                    out += u'\uFFFD';
                }
                break;
        }
        ++i;
    }
}

bool XmlCarries(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsPlainXmlCharacter(c) || c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (!platform::IsHighSurrogate(c) || i + 1 == text.size() || !platform::IsLowSurrogate(text[i + 1])) return false;
        ++i;
    }
    return true;
}

char* WriteXmlAttributeUtf8(std::u16string_view value, std::u16string& scratch, char* dest) {
    scratch.clear();
    AppendXmlAttributeValue(scratch, value);
    // Escaping left no unpaired surrogate, so each code point is one UTF-8 sequence.
    for (std::size_t i = 0; i < scratch.size(); ++i) dest += platform::EncodeUtf8(platform::NextCodePoint(scratch, i), dest);
    return dest;
}

}  // namespace korvane
