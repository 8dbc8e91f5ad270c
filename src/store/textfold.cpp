#include "store/textfold.h"

#include <QChar>
#include <QList>
#include <QString>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace TextFold {

namespace {

constexpr unsigned char anyOne = 0xFE; // a _ in a folded pattern; never a byte of UTF-8

void appendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The letters that fold to others that Unicode's decomposition does not give.
const char* spelledOut(char32_t c)
{
    switch (c) {
    case 0x00DF: // ß
    case 0x1E9E: // ẞ
        return "ss";
    case 0x00C6: // Æ
    case 0x00E6: // æ
        return "ae";
    case 0x0152: // Œ
    case 0x0153: // œ
        return "oe";
    case 0x00D8: // Ø
    case 0x00F8: // ø
        return "o";
    case 0x0141: // Ł
    case 0x0142: // ł
        return "l";
    case 0x0110: // Đ
    case 0x0111: // đ
        return "d";
    default:
        return nullptr;
    }
}

bool isMark(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

// One character folded, worked out from Unicode's tables.
std::string foldCharacter(char32_t c)
{
    std::string out;
    if (const char* spelled = spelledOut(c))
        return spelled;
    if (c >= 0xAC00 && c <= 0xD7A3) { // a Hangul syllable is one letter, not its parts
        appendUtf8(c, out);
        return out;
    }
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    for (const char32_t part : decomposed.toUcs4()) {
        if (isMark(part))
            continue;
        const char32_t folded = QChar::toCaseFolded(part);
        if (const char* spelled = spelledOut(folded))
            out += spelled;
        else
            appendUtf8(folded, out);
    }
    return out;
}

// Folded characters of the Basic Multilingual Plane, worked out a block of 256 at a time
// when a text first needs one of them.
class FoldTable
{
public:
    const std::string& of(char32_t c)
    {
        Block& block = m_blocks[c >> 8];
        std::call_once(block.made, [&block, c] {
            block.folded = std::make_unique<std::array<std::string, 256>>();
            const char32_t first = c & ~char32_t(0xFF);
            for (char32_t i = 0; i < 256; ++i)
                (*block.folded)[i] = foldCharacter(first + i);
        });
        return (*block.folded)[c & 0xFF];
    }

private:
    struct Block
    {
        std::once_flag made;
        std::unique_ptr<std::array<std::string, 256>> folded;
    };
    std::array<Block, 256> m_blocks;
};

FoldTable& table()
{
    static FoldTable folds;
    return folds;
}

// The code point at `i` of `s`, moving `i` past it; U+FFFD for bytes that are no UTF-8.
char32_t nextCodePoint(std::string_view s, size_t& i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    int length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (lead >= 0xF5)
        length = 0;
    if (length == 0 || i + size_t(length) > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(s[i + size_t(k)]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = c << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are no characters.
    if ((length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
        (length == 4 && (c < 0x10000 || c > 0x10FFFF))) {
        ++i;
        return 0xFFFD;
    }
    i += size_t(length);
    return c;
}

bool isAscii(std::string_view s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

void lowerAscii(std::string_view s, std::string& out)
{
    const size_t at = out.size();
    out.resize(at + s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        out[at + i] = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
}

// Where the segment matches `text` at `at`: the end of the match, or npos.
size_t matchAt(std::string_view text, size_t at, std::string_view segment)
{
    for (size_t k = 0; k < segment.size(); ++k) {
        if (at >= text.size())
            return std::string_view::npos;
        if (static_cast<unsigned char>(segment[k]) == anyOne) {
            nextCodePoint(text, at);
        } else if (segment[k] == text[at]) {
            ++at;
        } else {
            return std::string_view::npos;
        }
    }
    return at;
}

} // namespace

void foldInto(std::string_view utf8, std::string& out)
{
    if (isAscii(utf8)) {
        lowerAscii(utf8, out);
        return;
    }
    FoldTable& folds = table();
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            out += byte >= 'A' && byte <= 'Z' ? char(byte + 32) : char(byte);
            ++i;
            continue;
        }
        const char32_t c = nextCodePoint(utf8, i);
        if (c < 0x10000)
            out += folds.of(c);
        else
            out += foldCharacter(c);
    }
}

std::string fold(std::string_view utf8)
{
    std::string out;
    foldInto(utf8, out);
    return out;
}

Pattern::Pattern(std::string_view utf8)
{
    // The wildcards are found before folding, so that a full-width ％ is a character to
    // look for, not a wildcard.
    anchoredStart = utf8.empty() || utf8.front() != '%';
    anchoredEnd = utf8.empty() || utf8.back() != '%';
    Segment current;
    size_t literalFrom = 0;
    auto takeLiteral = [&](size_t to) { foldInto(utf8.substr(literalFrom, to - literalFrom), current.text); };
    for (size_t i = 0; i <= utf8.size(); ++i) {
        const char c = i < utf8.size() ? utf8[i] : '%';
        if (c != '%' && c != '_')
            continue;
        takeLiteral(i);
        literalFrom = i + 1;
        if (c == '_') {
            current.text += char(anyOne);
            current.hasAny = true;
            continue;
        }
        // A % ends the part before it; an empty part says nothing.
        if (!current.text.empty())
            m_segments.push_back(std::move(current));
        current = Segment();
    }
    for (const Segment& segment : m_segments) {
        for (const char c : segment.text) {
            if (static_cast<unsigned char>(c) >= 0x80 && static_cast<unsigned char>(c) != anyOne)
                m_ascii = false;
        }
    }
}

Pattern::Pattern(std::string_view utf8, Literal literal)
{
    anchoredStart = anchoredEnd = literal == Literal::Whole;
    Segment whole;
    foldInto(utf8, whole.text);
    for (const char c : whole.text)
        m_ascii = m_ascii && static_cast<unsigned char>(c) < 0x80;
    if (!whole.text.empty())
        m_segments.push_back(std::move(whole));
}

bool Pattern::matches(std::string_view utf8) const
{
    // Most names are ASCII: lowered in one pass that also tells whether they are, eight
    // bytes at a time.
    const size_t size = utf8.size();
    if (m_buffer.size() < size + 8)
        m_buffer.resize(size + 8);
    char* lowered = m_buffer.data();
    constexpr quint64 ones = 0x0101010101010101ULL, highBits = 0x8080808080808080ULL;
    quint64 seenWide = 0;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, utf8.data() + i, 8);
        seenWide |= word;
        const quint64 low7 = word & ~highBits;
        const quint64 fromA = low7 + (0x80 - 'A') * ones;     // high bit set from 'A' on
        const quint64 pastZ = low7 + (0x80 - 'Z' - 1) * ones; // high bit set past 'Z'
        const quint64 upper = (fromA ^ pastZ) & ~word & highBits;
        word |= upper >> 2; // 0x80 >> 2 is the bit that makes a capital small
        std::memcpy(lowered + i, &word, 8);
    }
    unsigned char seen = (seenWide & highBits) ? 0x80 : 0;
    for (; i < size; ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        seen |= c;
        lowered[i] = char(c + (unsigned(c - 'A') < 26u ? 32 : 0));
    }
    if (!(seen & 0x80)) {
        // Folded ASCII is ASCII: a pattern that needs more cannot match.
        return m_ascii && matchesFolded(std::string_view(lowered, size));
    }
    m_folded.clear();
    foldInto(utf8, m_folded);
    return matchesFolded(m_folded);
}

bool Pattern::matchesFolded(std::string_view text) const
{
    const size_t count = m_segments.size();
    if (count == 0)
        return !(anchoredStart && anchoredEnd) || text.empty();
    size_t from = 0;
    for (size_t s = 0; s < count; ++s) {
        const Segment& segment = m_segments[s];
        const bool first = s == 0, last = s + 1 == count;
        if (first && anchoredStart) {
            from = matchAt(text, 0, segment.text);
            if (from == std::string_view::npos)
                return false;
            if (last && anchoredEnd)
                return from == text.size();
            continue;
        }
        if (last && anchoredEnd) {
            // The last part must end the text: tried from the first place it may start.
            for (size_t at = from; at <= text.size(); ++at) {
                if (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
                    continue;
                if (matchAt(text, at, segment.text) == text.size())
                    return true;
            }
            return segment.text.empty() && from <= text.size();
        }
        // Between two %s the first place a part matches leaves the most room for the rest.
        if (!segment.hasAny) {
            const size_t at = text.find(segment.text, from);
            if (at == std::string_view::npos)
                return false;
            from = at + segment.text.size();
            continue;
        }
        size_t end = std::string_view::npos;
        for (size_t at = from; at < text.size() && end == std::string_view::npos; ++at) {
            if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
                end = matchAt(text, at, segment.text);
        }
        if (end == std::string_view::npos)
            return false;
        from = end;
    }
    return true;
}

} // namespace TextFold
