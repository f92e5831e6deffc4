#include "phonetic/metaphone.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "phonetic/ascii_letters.hpp"

namespace veltrocamber::phonetic {

namespace metaphone_detail {

// The working word: ASCII letters, upper-cased, with each letter that equals
// the last one kept dropped (also across removed non-letters), except C, so
// that a doubled C still reads as two sounds.
inline std::string working_word(std::string_view input) {
    std::string word;
    word.reserve(input.size());
    for (char c : input) {
        if (!is_ascii_letter(c))
            continue;
        const char letter = upper_letter(c);
        if (!word.empty() && word.back() == letter && letter != 'C')
            continue;
        word.push_back(letter);
    }
    return word;
}

constexpr bool is_front_vowel_or_y(char c) noexcept { return c == 'E' || c == 'I' || c == 'Y'; }

}  // namespace metaphone_detail

std::string metaphone_encode(std::string_view input, int32_t variant) {
    using metaphone_detail::is_front_vowel_or_y;
    const std::string word = metaphone_detail::working_word(input);
    const size_t n = word.size();
    std::string code;
    if (n == 0)
        return code;
    code.reserve(n);
    const bool alternative = variant == metaphone_alternative_variant;

    // A letter at a position past the end is '\0' and matches no test.
    auto at = [&word, n](size_t k) -> char { return k < n ? word[k] : '\0'; };

    size_t i = 0;
    if (n >= 2) {
        const char a = word[0], b = word[1];
        if ((a == 'A' && b == 'E') || ((a == 'G' || a == 'K' || a == 'P') && b == 'N') || (a == 'W' && b == 'R')) {
            i = 1;
        } else if (a == 'W' && b == 'H') {
            code.push_back('W');
            i = 2;
        } else if (a == 'X') {
            code.push_back('S');
            i = 1;
        }
    }

    while (i < n) {
        const char letter = word[i];
        const char previous = i > 0 ? word[i - 1] : '\0';
        const char next = at(i + 1);
        const char after = at(i + 2);
        const bool next_is_last = i + 2 == n;
        size_t step = 1;
        switch (letter) {
            case 'A':
            case 'E':
            case 'I':
            case 'O':
            case 'U':
                if (code.empty())
                    code.push_back(letter);
                break;
            case 'B':
                if (i + 1 == n && previous == 'M')
                    return code;
                code.push_back('B');
                break;
            case 'C':
                if (next == 'I' && after == 'A') {
                    code.push_back('X');
                } else if (is_front_vowel_or_y(next)) {
                    if (previous != 'S')
                        code.push_back('S');
                } else if (next == 'H') {
                    code.push_back(previous == 'S' && !alternative ? 'K' : 'X');
                    step = 2;
                } else {
                    code.push_back('K');
                }
                break;
            case 'D':
                if (next == 'G' && is_front_vowel_or_y(after)) {
                    code.push_back('J');
                    step = 2;
                } else {
                    code.push_back('T');
                }
                break;
            case 'F':
            case 'V': code.push_back('F'); break;
            case 'G':
                if (next == 'H') {
                    if (!next_is_last) {
                        if (is_upper_vowel(after))
                            code.push_back('K');  // the H follows its own rule
                        else
                            step = 2;
                    } else if (alternative) {
                        code.push_back('K');  // the final H is then written after the G
                    } else {
                        return code;
                    }
                } else if (next == 'N') {
                    if (next_is_last)
                        return code;
                    const bool ends_gned = i + 4 == n && word[i + 2] == 'E' && word[i + 3] == 'D';
                    if (!ends_gned)
                        code.push_back('K');
                } else if (is_front_vowel_or_y(next)) {
                    code.push_back('J');
                } else {
                    code.push_back('K');
                }
                break;
            case 'H':
                if (!is_upper_vowel(previous) || is_upper_vowel(next))
                    code.push_back('H');
                break;
            case 'J': code.push_back('J'); break;
            case 'K':
                if (previous != 'C')
                    code.push_back('K');
                break;
            case 'L':
            case 'M':
            case 'N':
            case 'R': code.push_back(letter); break;
            case 'P':
                if (next == 'H') {
                    code.push_back('F');
                    step = 2;
                } else {
                    code.push_back('P');
                }
                break;
            case 'Q': code.push_back('K'); break;
            case 'S':
            case 'T':
                if (next == 'H') {
                    code.push_back(letter == 'S' ? 'X' : '0');
                    step = 2;
                } else if (next == 'I' && (after == 'A' || after == 'O')) {
                    code.push_back('X');
                } else if (!(letter == 'T' && next == 'C' && after == 'H')) {
                    code.push_back(letter);
                }
                break;
            case 'W':
            case 'Y':
                if (is_upper_vowel(next))
                    code.push_back(letter);
                break;
            case 'X':
                code.push_back('K');
                code.push_back('S');
                break;
            case 'Z': code.push_back('S'); break;
            default: break;
        }
        i += step;
    }
    return code;
}

}  // namespace veltrocamber::phonetic
