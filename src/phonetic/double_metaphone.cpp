#include "phonetic/double_metaphone.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "phonetic/ascii_letters.hpp"

namespace veltrocamber::phonetic {

// True when p is inside the word, p plus the literals' length does not pass
// its end, and the letters at p equal one of the literals (which all have
// one length).
inline bool letters_at(std::string_view word, std::ptrdiff_t p,
                       std::initializer_list<std::string_view> literals) noexcept {
    if (p < 0)
        return false;
    const auto start = static_cast<std::size_t>(p);
    for (std::string_view literal : literals)
        if (start <= word.size() && literal.size() <= word.size() - start &&
            word.compare(start, literal.size(), literal) == 0)
            return true;
    return false;
}

// True when the word begins with one of the literals.
inline bool word_starts_with(std::string_view word, std::initializer_list<std::string_view> literals) noexcept {
    return letters_at(word, 0, literals);
}

namespace double_metaphone_detail {

// The state of one encoding. Codes are appended to through `add`, which
// never lets a code grow past max_length: what lies beyond is cut at the end
// anyway, and a code shorter than max_length is then exactly what it would
// be uncut, so the one rule that reads a code's last character sees the
// same character either way. This keeps every code within the room reserved
// before the letter loop.
struct Encoding {
    std::string_view word;
    std::ptrdiff_t n;
    std::uint64_t max_length;
    std::int32_t variant;
    bool slavo_germanic;
    std::string primary;
    std::string alternate;

    // The letter at p, or 0 when p is outside the word.
    char at(std::ptrdiff_t p) const noexcept { return p >= 0 && p < n ? word[static_cast<std::size_t>(p)] : '\0'; }
    bool is(std::ptrdiff_t p, std::initializer_list<std::string_view> literals) const noexcept {
        return letters_at(word, p, literals);
    }
    bool starts(std::initializer_list<std::string_view> literals) const noexcept {
        return word_starts_with(word, literals);
    }

    void add_to(std::string &code, std::string_view text) {
        if (code.size() >= max_length)
            return;
        const std::uint64_t room = max_length - code.size();
        code.append(text.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(room, text.size()))));
    }
    void add(std::string_view both) {
        add_to(primary, both);
        add_to(alternate, both);
    }
    void add(std::string_view main, std::string_view alt) {
        add_to(primary, main);
        add_to(alternate, alt);
    }
};

constexpr bool is_vowel(char c) noexcept {
    return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U' || c == 'Y';
}

// The common "one letter, skip a doubled one" step.
inline std::ptrdiff_t past_double(const Encoding &e, std::ptrdiff_t i, char twin) noexcept {
    return e.at(i + 1) == twin ? i + 2 : i + 1;
}

inline std::ptrdiff_t encode_c(Encoding &e, std::ptrdiff_t i) {
    if (i > 1 && !is_vowel(e.at(i - 2)) && e.is(i - 1, {"ACH"}) && e.at(i + 2) != 'I' &&
        (e.at(i + 2) != 'E' || e.is(i - 2, {"BACHER", "MACHER"}))) {
        e.add("K");
        return i + 2;
    }
    if (i == 0 && e.starts({"CAESAR"})) {
        e.add("S");
        return 2;
    }
    if (e.is(i, {"CHIA"})) {
        e.add("K");
        return i + 2;
    }
    if (e.is(i, {"CH"})) {
        if (i > 0 && e.is(i, {"CHAE"})) {
            e.add("K", "X");
            return i + 2;
        }
        if (i == 0 && (e.is(1, {"HARAC", "HARIS"}) || e.is(1, {"HOR", "HYM", "HIA", "HEM"})) &&
            !e.starts({"CHORE"})) {
            e.add("K");
            return 2;
        }
        if (e.starts({"SCH"}) || e.is(i - 2, {"ORCHES", "ARCHIT", "ORCHID"}) || e.is(i + 2, {"T", "S"}) ||
            ((e.is(i - 1, {"A", "O", "U", "E"}) || i == 0) &&
             e.is(i + 2, {"L", "R", "N", "M", "B", "H", "F", "V", "W"}))) {
            e.add("K");
            return i + 2;
        }
        if (i > 0) {
            if (e.starts({"MC"}))
                e.add("K");
            else
                e.add("X", "K");
        } else {
            e.add("X");
        }
        return i + 2;
    }
    if (e.is(i, {"CZ"}) && !e.is(i - 2, {"WICZ"})) {
        e.add("S", "X");
        return i + 2;
    }
    if (e.is(i + 1, {"CIA"})) {
        e.add("X");
        return i + 3;
    }
    if (e.is(i, {"CC"}) && !(i == 1 && e.at(0) == 'M')) {
        if (e.is(i + 2, {"I", "E", "H"}) && !e.is(i + 2, {"HU"})) {
            if ((i == 1 && e.at(0) == 'A') || e.is(i - 1, {"UCCEE", "UCCES"}))
                e.add("KS");
            else
                e.add("X");
            return i + 3;
        }
        e.add("K");
        return i + 2;
    }
    if (e.is(i, {"CK", "CG", "CQ"})) {
        e.add("K");
        return i + 2;
    }
    if (e.is(i, {"CIO", "CIE", "CIA"})) {
        e.add("S", "X");
        return i + 2;
    }
    if (e.is(i, {"CI", "CE", "CY"})) {
        e.add("S");
        return i + 2;
    }
    e.add("K");
    return e.is(i + 1, {"C", "K", "Q"}) && !e.is(i + 1, {"CE", "CI"}) ? i + 2 : i + 1;
}

inline std::ptrdiff_t encode_g_before_h(Encoding &e, std::ptrdiff_t i) {
    if (i > 0 && !is_vowel(e.at(i - 1))) {
        e.add("K");
        return i + 2;
    }
    if (i == 0) {
        e.add(e.at(2) == 'I' ? "J" : "K");
        return 2;
    }
    if (e.variant == 1 && (i == 1 || i == 2)) {
        // Each code repeats its own last character; an empty code stays empty.
        // The characters are copied first: a code never appends a view of itself.
        const char last_primary = e.primary.empty() ? '\0' : e.primary.back();
        const char last_alternate = e.alternate.empty() ? '\0' : e.alternate.back();
        e.add(std::string_view(&last_primary, e.primary.empty() ? 0 : 1),
              std::string_view(&last_alternate, e.alternate.empty() ? 0 : 1));
        return i + 2;
    }
    if ((i > 1 && e.is(i - 2, {"B", "H", "D"})) || (i > 2 && e.is(i - 3, {"B", "H", "D"})) ||
        (i > 3 && e.is(i - 4, {"B", "H"})))
        return i + 2;
    if (i > 2 && e.at(i - 1) == 'U' && e.is(i - 3, {"C", "G", "L", "R", "T"})) {
        e.add("F");
        return i + 2;
    }
    if (e.at(i - 1) != 'I')
        e.add("K");
    return i + 2;
}

inline std::ptrdiff_t encode_g(Encoding &e, std::ptrdiff_t i) {
    const char next = e.at(i + 1);
    if (next == 'H')
        return encode_g_before_h(e, i);
    if (next == 'N') {
        if (i == 1 && is_vowel(e.at(0)) && !e.slavo_germanic)
            e.add("KN", "N");
        else if (e.is(i + 2, {"EY"}) || e.slavo_germanic)
            e.add("KN");
        else
            e.add("N", "KN");
        return i + 2;
    }
    if (e.is(i + 1, {"LI"}) && !e.slavo_germanic) {
        e.add("KL", "L");
        return i + 2;
    }
    if (i == 0 && (e.at(1) == 'Y' || e.is(1, {"ES", "EP", "EB", "EL", "EY", "IB", "IL", "IN", "IE", "EI", "ER"}))) {
        e.add("K", "J");
        return 2;
    }
    if ((e.is(i + 1, {"ER"}) || next == 'Y') && !e.starts({"DANGER", "RANGER", "MANGER"}) &&
        !e.is(i - 1, {"E", "I"}) && !e.is(i - 1, {"RGY", "OGY"})) {
        e.add("K", "J");
        return i + 2;
    }
    if (e.is(i + 1, {"E", "I", "Y"}) || e.is(i - 1, {"AGGI", "OGGI"})) {
        if (e.starts({"SCH"}) || e.is(i + 1, {"ET"}))
            e.add("K");
        else if (e.is(i + 1, {"IER"}))
            e.add("J");
        else
            e.add("J", "K");
        return i + 2;
    }
    e.add("K");
    return past_double(e, i, 'G');
}

inline std::ptrdiff_t encode_j(Encoding &e, std::ptrdiff_t i) {
    if (e.is(i, {"JOSE"})) {
        e.add("J", "H");
        return i + 1;
    }
    if (i == 0)
        e.add("J", "A");
    else if (is_vowel(e.at(i - 1)) && !e.slavo_germanic && e.is(i + 1, {"A", "O"}))
        e.add("J", "H");
    else if (i == e.n - 1) {
        e.add("J", " ");
        return i + 1;
    } else if (!e.is(i + 1, {"L", "T", "K", "S", "N", "M", "B", "Z"}) && !e.is(i - 1, {"S", "K", "L"}))
        e.add("J");
    return past_double(e, i, 'J');
}

inline std::ptrdiff_t encode_s(Encoding &e, std::ptrdiff_t i) {
    if (e.is(i - 1, {"ISL", "YSL"}))
        return i + 1;
    if (i == 0 && e.starts({"SUGAR"})) {
        e.add("X", "S");
        return 1;
    }
    if (e.is(i, {"SH"})) {
        e.add(e.is(i + 1, {"HEIM", "HOEK", "HOLM", "HOLZ"}) ? "S" : "X");
        return i + 2;
    }
    if (e.is(i, {"SIO", "SIA"})) {
        if (e.slavo_germanic)
            e.add("S");
        else
            e.add("S", "X");
        return i + 3;
    }
    if ((i == 0 && e.is(1, {"M", "N", "L", "W"})) || e.at(i + 1) == 'Z') {
        e.add("S", "X");
        return e.at(i + 1) == 'Z' ? i + 2 : i + 1;
    }
    if (e.is(i, {"SCH"})) {
        if (e.is(i + 3, {"ER", "EN"}))
            e.add("X", "SK");
        else if (e.is(i + 3, {"OO", "UY", "ED", "EM"}))
            e.add("SK");
        else if (i == 0 && e.n > 3 && !is_vowel(e.at(3)) && e.at(3) != 'W')
            e.add("X", "S");
        else
            e.add("X");
        return i + 3;
    }
    if (e.is(i, {"SC"})) {
        e.add(e.is(i + 2, {"I", "E", "Y"}) ? "S" : "SK");
        return i + 3;
    }
    if (i == e.n - 1 && e.is(i - 2, {"AI", "OI"})) {
        e.add("", "S");
        return i + 1;
    }
    e.add("S");
    return e.is(i + 1, {"S", "Z"}) ? i + 2 : i + 1;
}

inline std::ptrdiff_t encode_t(Encoding &e, std::ptrdiff_t i) {
    if (e.is(i, {"TION"}) || e.is(i, {"TIA", "TCH"})) {
        e.add("X");
        return i + 3;
    }
    if (e.is(i, {"TH"}) || e.is(i, {"TTH"})) {
        if (e.is(i + 2, {"OM", "AM"}) || e.starts({"SCH"}))
            e.add("T");
        else
            e.add("0", "T");
        return i + 2;
    }
    e.add("T");
    return e.is(i + 1, {"T", "D"}) ? i + 2 : i + 1;
}

inline std::ptrdiff_t encode_w(Encoding &e, std::ptrdiff_t i) {
    if (e.is(i, {"WR"})) {
        e.add("R");
        return i + 2;
    }
    // A W that opens the word and writes something ends its rule there.
    if (i == 0 && is_vowel(e.at(1))) {
        e.add("A", "F");
        return 1;
    }
    if (i == 0 && e.is(0, {"WH"})) {
        e.add("A");
        return 1;
    }
    if ((i == e.n - 1 && is_vowel(e.at(i - 1))) || e.is(i - 1, {"EWSKI", "EWSKY", "OWSKI", "OWSKY"}) ||
        e.starts({"SCH"})) {
        e.add("", "F");
        return i + 1;
    }
    if (e.is(i, {"WICZ", "WITZ"})) {
        e.add("TS", "FX");
        return i + 4;
    }
    return i + 1;
}

// The letters whose rules fit in a few rows.
inline std::ptrdiff_t encode_short_rule(Encoding &e, std::ptrdiff_t i, char c) {
    const char next = e.at(i + 1);
    switch (c) {
    case 'B':
        e.add("P");
        return past_double(e, i, 'B');
    case 'D':
        if (e.is(i, {"DG"})) {
            if (e.is(i + 2, {"I", "E", "Y"})) {
                e.add("J");
                return i + 3;
            }
            e.add("TK");
            return i + 2;
        }
        e.add("T");
        return e.is(i, {"DT", "DD"}) ? i + 2 : i + 1;
    case 'F':
        e.add("F");
        return past_double(e, i, 'F');
    case 'H':
        if ((i == 0 || is_vowel(e.at(i - 1))) && is_vowel(next)) {
            e.add("H");
            return i + 2;
        }
        return i + 1;
    case 'K':
        e.add("K");
        return past_double(e, i, 'K');
    case 'L':
        if (next == 'L') {
            if ((i == e.n - 3 && e.is(i - 1, {"ILLO", "ILLA", "ALLE"})) ||
                ((e.is(e.n - 2, {"AS", "OS"}) || e.is(e.n - 1, {"A", "O"})) && e.is(i - 1, {"ALLE"})))
                e.add("L", "");
            else
                e.add("L");
            return i + 2;
        }
        e.add("L");
        return i + 1;
    case 'M':
        e.add("M");
        if (next == 'M' || (e.is(i - 1, {"UMB"}) && (i + 1 == e.n - 1 || e.is(i + 2, {"ER"}))))
            return i + 2;
        return i + 1;
    case 'N':
        e.add("N");
        return past_double(e, i, 'N');
    case 'P':
        if (next == 'H') {
            e.add("F");
            return i + 2;
        }
        e.add("P");
        return next == 'P' || next == 'B' ? i + 2 : i + 1;
    case 'Q':
        e.add("K");
        return past_double(e, i, 'Q');
    case 'R':
        if (i == e.n - 1 && !e.slavo_germanic && e.is(i - 2, {"IE"}) && !e.is(i - 4, {"ME", "MA"}))
            e.add("", "R");
        else
            e.add("R");
        return past_double(e, i, 'R');
    case 'V':
        e.add("F");
        return past_double(e, i, 'V');
    case 'X':
        if (i == e.n - 1 && (e.is(i - 3, {"IAU", "EAU"}) || e.is(i - 2, {"AU", "OU"})))
            return i + 1;
        e.add("KS");
        return next == 'C' || next == 'X' ? i + 2 : i + 1;
    case 'Z':
        if (next == 'H') {
            e.add("J");
            return i + 2;
        }
        if (e.is(i + 1, {"ZO", "ZI", "ZA"}) || (e.slavo_germanic && i > 0 && e.at(i - 1) != 'T'))
            e.add("S", "TS");
        else
            e.add("S");
        return past_double(e, i, 'Z');
    default:
        return i + 1;
    }
}

inline std::ptrdiff_t encode_letter(Encoding &e, std::ptrdiff_t i) {
    const char c = e.at(i);
    if (is_vowel(c)) {
        if (i == 0)
            e.add("A");
        return i + 1;
    }
    switch (c) {
    case 'C':
        return encode_c(e, i);
    case 'G':
        return encode_g(e, i);
    case 'J':
        return encode_j(e, i);
    case 'S':
        return encode_s(e, i);
    case 'T':
        return encode_t(e, i);
    case 'W':
        return encode_w(e, i);
    default:
        return encode_short_rule(e, i, c);
    }
}

}  // namespace double_metaphone_detail

DoubleMetaphoneCodes double_metaphone_encode(std::string_view input, std::uint64_t max_length,
                                             std::int32_t variant) {
    using namespace double_metaphone_detail;
    const std::string word = upper_ascii_letters(input);
    if (word.empty())
        return {};

    Encoding e{word,
               static_cast<std::ptrdiff_t>(word.size()),
               max_length,
               variant,
               word.find_first_of("WK") != std::string::npos || word.find("CZ") != std::string::npos ||
                   word.find("WITZ") != std::string::npos,
               {},
               {}};
    // No rule writes more than two characters per letter it consumes (the
    // initial X writes one), and `add` never passes max_length.
    const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(max_length, 2 * word.size()));
    e.primary.reserve(room);
    e.alternate.reserve(room);

    std::ptrdiff_t i = 0;
    if (word.size() >= 2 && e.starts({"GN", "KN", "PN", "WR", "PS"}))
        i = 1;
    if (word[0] == 'X') {
        e.add("S");
        i = 1;
    }
    while (i < e.n && (e.primary.size() < max_length || e.alternate.size() < max_length))
        i = encode_letter(e, i);

    if (e.alternate == e.primary)
        e.alternate.clear();
    return {std::move(e.primary), std::move(e.alternate)};
}

}  // namespace veltrocamber::phonetic
