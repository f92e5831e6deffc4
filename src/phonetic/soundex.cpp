#include "phonetic/soundex.hpp"

#include <cstddef>
#include <string>
#include <string_view>

#include "phonetic/ascii_letters.hpp"

namespace veltrocamber::phonetic {

namespace {

// Digit class of each letter, indexed by letter - 'A'. '0' is the vowel class
// (A E I O U Y, and H W, whose entry only matters as a first letter).
constexpr char soundex_letter_codes[] = "01230120022455012623010202";

}  // namespace

std::string soundex_encode(std::string_view input) {
    const size_t n = input.size();
    size_t i = 0;
    while (i < n && !is_ascii_letter(input[i]))
        ++i;
    if (i == n)
        return std::string();

    char code[4] = {0, '0', '0', '0'};
    code[0] = upper_letter(input[i]);
    char previous = soundex_letter_codes[code[0] - 'A'];
    size_t written = 1;
    for (++i; i < n && written < 4; ++i) {
        if (!is_ascii_letter(input[i]))
            continue;
        const char letter = upper_letter(input[i]);
        if (letter == 'H' || letter == 'W')
            continue;
        const char digit = soundex_letter_codes[letter - 'A'];
        if (digit != '0' && digit != previous)
            code[written++] = digit;
        previous = digit;
    }
    return std::string(code, 4);
}

}  // namespace veltrocamber::phonetic
