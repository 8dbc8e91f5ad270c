#pragma once

#include <string>
#include <string_view>
#include <vector>

// Search without regard to letter case or accents, in every script: a text and what is
// searched for are both folded, then the one is looked for in the other.
//
// Folding takes each character's compatibility decomposition (so a full-width Ａ is A and
// the ligature ﬁ is fi), drops the combining marks (accents, Greek tonos, Arabic
// vowel signs), applies Unicode case folding (so ß is ss and final ς is σ), and spells
// æ, œ, ø, ł and đ as ae, oe, o, l and d. Hangul syllables stay whole. Bytes that are no
// UTF-8 become U+FFFD.
namespace TextFold {

// The folded form of UTF-8 text, appended to `out`.
void foldInto(std::string_view utf8, std::string& out);
std::string fold(std::string_view utf8);

// A LIKE pattern over folded text: % stands for any run of characters and _ for any one,
// every other character for itself as folded.
class Pattern
{
public:
    explicit Pattern(std::string_view utf8);
    // A pattern without wildcards: `utf8` looked for anywhere in a text, or as the whole text.
    enum class Literal
    {
        Anywhere,
        Whole
    };
    Pattern(std::string_view utf8, Literal literal);
    // Whether `utf8` folded is matched by the pattern as a whole.
    bool matches(std::string_view utf8) const;

private:
    bool matchesFolded(std::string_view text) const;
    struct Segment
    {
        std::string text;    // folded, with '\xFE' for each _
        bool hasAny = false; // holds a _
    };
    bool anchoredStart = false;
    bool anchoredEnd = false;
    std::vector<Segment> m_segments; // the parts between the %s, in order
    bool m_ascii = true;             // every segment is ASCII
    mutable std::string m_buffer;    // an ASCII text lowered
    mutable std::string m_folded;    // any other text folded
};

} // namespace TextFold
