// The normalised forms of the edit distances: a distance d becomes the
// similarity 1 - d / n in float64 (both converted from unsigned 64-bit),
// where n comes from the two lengths in the way the metric defines, and 1.0
// when n is 0 (two empty sides are identical). Which lengths (symbol counts,
// or len() of the objects) is the caller's to say.
#pragma once

#include <cstdint>

namespace veltrocamber::distance {

enum class NormalizedBy {
    // max(lq, lt), the similarity 0.0 once d / max reaches 1 (Levenshtein,
    // optimal string alignment, unrestricted Damerau-Levenshtein).
    longer_length,
    // lq + lt (Indel).
    length_sum,
    // lq alone (Hamming, whose sides have one length); lt is not read.
    query_length,
};

// Only the longer-length form is floored at 0.0: the other two are 1 - d / n
// as they stand, also for a len() smaller than the symbols it counts.
template <NormalizedBy By>
double normalized_similarity(uint64_t d, uint64_t lq, uint64_t lt) noexcept {
    uint64_t n = lq;
    if constexpr (By == NormalizedBy::longer_length)
        n = lq > lt ? lq : lt;
    else if constexpr (By == NormalizedBy::length_sum)
        n = lq + lt;
    if (n == 0)
        return 1.0;
    const double r = static_cast<double>(d) / static_cast<double>(n);
    if constexpr (By == NormalizedBy::longer_length)
        return r >= 1.0 ? 0.0 : 1.0 - r;
    return 1.0 - r;
}

}  // namespace veltrocamber::distance
