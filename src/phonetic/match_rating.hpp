// Match Rating Approach: a codex of at most six letters and the pairwise
// similarity verdict built on it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrocamber::phonetic {

inline constexpr size_t match_rating_codex_max = 6;

// The codex of `input`: its ASCII letters upper-cased, vowels dropped after
// the first letter, runs of equal letters collapsed (consonants separated
// only by vowels collapse too), then, when more than six remain, the first
// three and the last three.
std::string match_rating_codex_encode(std::string_view input);

// The verdict for two codices: false when either is empty or their lengths
// differ by more than 3; otherwise equal letters at equal positions are
// stripped from the left, then (on the reversed remainders) from the right,
// and the similarity, 6 minus the longer remainder, must reach the minimum
// rating.
bool match_rating_codices_similar(const std::string &codex1, const std::string &codex2) noexcept;

}  // namespace veltrocamber::phonetic
