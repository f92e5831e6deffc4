#include "phonetic/caverphone.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "phonetic/ascii_letters.hpp"

namespace veltrocamber::phonetic {

namespace caverphone_detail {

// Replaces every occurrence of `pattern` by `replacement` (same length),
// scanning left to right and resuming after each replacement, so matches
// never overlap and replaced text is not scanned again.
inline void replace_all(std::string &t, std::string_view pattern, std::string_view replacement) noexcept {
    const size_t k = pattern.size();
    if (t.size() < k)
        return;
    char *data = t.data();
    const size_t last = t.size() - k;
    size_t pos = 0;
    while (pos <= last) {
        const void *hit = std::memchr(data + pos, pattern[0], last - pos + 1);
        if (hit == nullptr)
            return;
        pos = static_cast<size_t>(static_cast<const char *>(hit) - data);
        if (std::memcmp(data + pos + 1, pattern.data() + 1, k - 1) == 0) {
            std::memcpy(data + pos, replacement.data(), k);
            pos += k;
        } else {
            ++pos;
        }
    }
}

inline bool starts_with(const std::string &t, std::string_view p) noexcept {
    return t.size() >= p.size() && std::memcmp(t.data(), p.data(), p.size()) == 0;
}

inline bool ends_with(const std::string &t, std::string_view p) noexcept {
    return t.size() >= p.size() && std::memcmp(t.data() + t.size() - p.size(), p.data(), p.size()) == 0;
}

// Rewrites the start of the text once, when it begins with `pattern`.
inline bool replace_start(std::string &t, std::string_view pattern, std::string_view replacement) noexcept {
    if (!starts_with(t, pattern))
        return false;
    std::memcpy(t.data(), replacement.data(), pattern.size());
    return true;
}

// Rewrites the end of the text once, when it ends with `pattern`.
inline void replace_end(std::string &t, std::string_view pattern, std::string_view replacement) noexcept {
    if (ends_with(t, pattern))
        std::memcpy(t.data() + t.size() - pattern.size(), replacement.data(), pattern.size());
}

// Turns every run of two or more `letter` into a single one.
inline void collapse_letter_runs(std::string &t, char letter) {
    size_t w = 0;
    for (size_t r = 0; r < t.size(); ++r)
        if (!(t[r] == letter && w > 0 && t[w - 1] == letter))
            t[w++] = t[r];
    t.resize(w);
}

inline void remove_all(std::string &t, char c) { t.erase(std::remove(t.begin(), t.end(), c), t.end()); }

constexpr bool is_lower_vowel(char c) noexcept { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; }

}  // namespace caverphone_detail

std::string caverphone_encode(std::string_view input) {
    using namespace caverphone_detail;
    std::string t;
    t.reserve(input.size());
    for (char c : input)
        if (is_ascii_letter(c))
            t.push_back(static_cast<char>(c | 0x20));
    if (t.empty())
        return std::string(caverphone_code_length, '1');

    constexpr std::string_view start_rules[][2] = {
        {"cough", "cou2f"}, {"rough", "rou2f"}, {"tough", "tou2f"}, {"enough", "enou2f"}, {"trough", "trou2f"}};
    for (const auto &rule : start_rules)
        if (replace_start(t, rule[0], rule[1]))
            break;

    if (t.size() >= 2) {
        replace_start(t, "gn", "2n");
        replace_end(t, "mb", "m2");
    }

    replace_all(t, "cq", "2q");
    replace_all(t, "ci", "si");
    replace_all(t, "ce", "se");
    replace_all(t, "cy", "sy");
    replace_all(t, "tch", "2ch");
    replace_all(t, "c", "k");
    replace_all(t, "q", "k");
    replace_all(t, "x", "k");
    replace_all(t, "v", "f");
    replace_all(t, "dg", "2g");
    replace_all(t, "tio", "sio");
    replace_all(t, "tia", "sia");
    replace_all(t, "d", "t");
    replace_all(t, "ph", "fh");
    replace_all(t, "b", "p");
    replace_all(t, "sh", "s2");
    replace_all(t, "z", "s");

    if (is_lower_vowel(t[0]))
        t[0] = 'A';
    for (char &c : t)
        if (is_lower_vowel(c))
            c = '3';

    replace_all(t, "3gh3", "3kh3");
    replace_all(t, "gh", "22");
    replace_all(t, "g", "k");

    for (char letter : {'s', 't', 'p', 'k', 'f', 'm', 'n'})
        collapse_letter_runs(t, letter);

    replace_all(t, "w3", "W3");
    replace_all(t, "wh3", "Wh3");
    replace_end(t, "w", "3");
    replace_all(t, "w", "2");

    replace_start(t, "h", "A");
    replace_all(t, "h", "2");

    replace_all(t, "r3", "R3");
    replace_end(t, "r", "3");
    replace_all(t, "r", "2");

    replace_all(t, "3l3", "3L3");
    replace_end(t, "l", "3");
    replace_all(t, "l", "2");

    replace_all(t, "j", "y");
    if (t.size() >= 2)
        replace_start(t, "y3", "Y3");
    replace_start(t, "y", "A");
    replace_all(t, "y", "3");

    remove_all(t, '2');
    replace_end(t, "3", "A");
    remove_all(t, '3');

    for (char &c : t)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    t.resize(caverphone_code_length, '1');
    return t;
}

}  // namespace veltrocamber::phonetic
