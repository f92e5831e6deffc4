#include "phonetic/match_rating.hpp"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "phonetic/ascii_letters.hpp"

namespace veltrocamber::phonetic {

std::string match_rating_codex_encode(std::string_view input) {
    std::string kept;
    kept.reserve(input.size());
    for (char c : input) {
        if (!is_ascii_letter(c))
            continue;
        const char letter = upper_letter(c);
        if (!kept.empty() && is_upper_vowel(letter))
            continue;
        if (!kept.empty() && kept.back() == letter)
            continue;
        kept.push_back(letter);
    }
    if (kept.size() > match_rating_codex_max)
        kept.erase(3, kept.size() - match_rating_codex_max);
    return kept;
}

namespace match_rating_detail {

// A codex-sized string that letters are removed from; never longer than six.
struct Remainder {
    char letters[match_rating_codex_max];
    size_t size;
};

// Removes the letters that are equal at equal positions over the shorter
// length; letters beyond it stay in the longer one.
inline void strip_aligned(Remainder &a, Remainder &b) noexcept {
    const size_t common = std::min(a.size, b.size);
    size_t ka = 0, kb = 0;
    for (size_t k = 0; k < common; ++k) {
        if (a.letters[k] != b.letters[k]) {
            a.letters[ka++] = a.letters[k];
            b.letters[kb++] = b.letters[k];
        }
    }
    for (size_t k = common; k < a.size; ++k)
        a.letters[ka++] = a.letters[k];
    for (size_t k = common; k < b.size; ++k)
        b.letters[kb++] = b.letters[k];
    a.size = ka;
    b.size = kb;
}

inline Remainder remainder_of(const std::string &codex) noexcept {
    Remainder r{};
    r.size = std::min(codex.size(), match_rating_codex_max);
    std::copy_n(codex.data(), r.size, r.letters);
    return r;
}

}  // namespace match_rating_detail

// Minimum rating for the sum of the two codex lengths (2 to 12).
constexpr int match_rating_minimum(size_t length_sum) noexcept {
    if (length_sum <= 4)
        return 5;
    if (length_sum <= 7)
        return 4;
    if (length_sum <= 11)
        return 3;
    return 2;
}

bool match_rating_codices_similar(const std::string &codex1, const std::string &codex2) noexcept {
    using namespace match_rating_detail;
    if (codex1.empty() || codex2.empty())
        return false;
    const size_t l1 = codex1.size(), l2 = codex2.size();
    if ((l1 > l2 ? l1 - l2 : l2 - l1) > 3)
        return false;
    const int minimum = match_rating_minimum(l1 + l2);
    Remainder a = remainder_of(codex1), b = remainder_of(codex2);
    strip_aligned(a, b);
    std::reverse(a.letters, a.letters + a.size);
    std::reverse(b.letters, b.letters + b.size);
    strip_aligned(a, b);
    const int similarity = static_cast<int>(match_rating_codex_max) - static_cast<int>(std::max(a.size, b.size));
    return similarity >= minimum;
}

}  // namespace veltrocamber::phonetic
