#include "phonetic/nysiis.hpp"

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "phonetic/ascii_letters.hpp"

namespace veltrocamber::phonetic {

namespace nysiis_detail {

inline bool starts_with(const std::string &t, const char *p) noexcept {
    const size_t k = std::strlen(p);
    return t.size() >= k && t.compare(0, k, p) == 0;
}

inline bool ends_with(const std::string &t, const char *p) noexcept {
    const size_t k = std::strlen(p);
    return t.size() >= k && t.compare(t.size() - k, k, p) == 0;
}

// Appends letter by letter, dropping each one that equals the current last
// letter, so the body never writes two equal adjacent letters.
inline void append_distinct(std::string &out, const char *letters, size_t count) {
    for (size_t k = 0; k < count; ++k)
        if (out.back() != letters[k])
            out.push_back(letters[k]);
}

}  // namespace nysiis_detail

std::string nysiis_encode(std::string_view input) {
    using namespace nysiis_detail;
    std::string text = upper_ascii_letters(input);
    if (text.empty())
        return text;

    if (starts_with(text, "MAC"))
        text[1] = 'C';
    else if (starts_with(text, "KN"))
        text[0] = 'N';
    else if (text[0] == 'K')
        text[0] = 'C';
    else if (starts_with(text, "PH") || starts_with(text, "PF"))
        text[0] = text[1] = 'F';
    else if (starts_with(text, "SCH"))
        text[1] = text[2] = 'S';

    if (text.size() >= 2) {
        if (ends_with(text, "EE") || ends_with(text, "IE")) {
            text.replace(text.size() - 2, 2, 1, 'Y');
        } else if (ends_with(text, "DT") || ends_with(text, "RT") || ends_with(text, "RD") || ends_with(text, "NT") ||
                   ends_with(text, "ND")) {
            text.replace(text.size() - 2, 2, 1, 'D');
        }
    }

    const size_t n = text.size();
    std::string out;
    out.reserve(n + 2);
    out.push_back(text[0]);
    size_t q = 1;
    while (q < n) {
        const char letter = text[q];
        const char previous = text[q - 1];
        const char next = q + 1 < n ? text[q + 1] : '\0';
        size_t consumed = 1;
        switch (letter) {
            case 'E':
                if (next == 'V') {
                    append_distinct(out, "AF", 2);
                    consumed = 2;
                    break;
                }
                [[fallthrough]];
            case 'A':
            case 'I':
            case 'O':
            case 'U': append_distinct(out, "A", 1); break;
            case 'Q': append_distinct(out, "G", 1); break;
            case 'Z': append_distinct(out, "S", 1); break;
            case 'M': append_distinct(out, "N", 1); break;
            case 'K':
                if (next == 'N') {
                    append_distinct(out, "N", 1);
                    consumed = 2;
                } else {
                    append_distinct(out, "C", 1);
                }
                break;
            case 'S':
                if (next == 'C' && q + 2 < n && text[q + 2] == 'H') {
                    append_distinct(out, "SSS", 3);
                    consumed = 3;
                } else {
                    append_distinct(out, "S", 1);
                }
                break;
            case 'P':
                if (next == 'H') {
                    append_distinct(out, "FF", 2);
                    consumed = 2;
                } else {
                    append_distinct(out, "P", 1);
                }
                break;
            case 'H': {
                const bool previous_vowel = is_upper_vowel(previous);
                const bool next_vowel = is_upper_vowel(next);
                if (previous_vowel && next_vowel)
                    append_distinct(out, "H", 1);
                else if (!previous_vowel && !next_vowel)
                    append_distinct(out, &previous, 1);
                break;
            }
            case 'W':
                // After a vowel the vowel letter itself is written, not A.
                append_distinct(out, is_upper_vowel(previous) ? &previous : "W", 1);
                break;
            default: append_distinct(out, &letter, 1); break;
        }
        q += consumed;
    }

    if (out.back() == 'S')
        out.pop_back();
    if (out.size() >= 2 && out[out.size() - 2] == 'A' && out.back() == 'Y')
        out.replace(out.size() - 2, 2, 1, 'Y');
    if (!out.empty() && out.back() == 'A')
        out.pop_back();
    return out;
}

}  // namespace veltrocamber::phonetic
