// Dropping the common prefix and suffix of a pair before an edit distance
// runs. For the distances here whose edits all cost 1 (Levenshtein, optimal
// string alignment, the unrestricted Damerau-Levenshtein distance, Indel)
// equal leading and trailing symbols never change the distance, and edited
// copies of one text share long affixes, so the kernels see only the part
// in between.
#pragma once

#include <algorithm>
#include <cstddef>

#include "distance/word_arithmetic.hpp"

namespace veltrocamber::distance {

// Equal leading symbols of the two sides.
template <typename Symbol>
size_t common_prefix_length(const Symbol *a, size_t la, const Symbol *b, size_t lb) noexcept {
    const size_t n = std::min(la, lb);
    size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// Equal trailing symbols of the two sides.
template <typename Symbol>
size_t common_suffix_length(const Symbol *a, size_t la, const Symbol *b, size_t lb) noexcept {
    const size_t n = std::min(la, lb);
    size_t i = 0;
    while (i < n && a[la - 1 - i] == b[lb - 1 - i])
        ++i;
    return i;
}

template <typename Symbol>
struct TrimmedPair {
    const Symbol *query;
    size_t lq;
    const Symbol *target;
    size_t lt;
};

// What is left of the pair between its common prefix and suffix. With
// `whole_words`, the prefix dropped is rounded down to whole words of query
// positions, for query masks built once that can drop leading words but not
// shift bits across them; the suffix is then taken from what follows.
template <typename Symbol>
TrimmedPair<Symbol> trim_common_affixes(const Symbol *query, size_t lq, const Symbol *target, size_t lt,
                                        bool whole_words = false) noexcept {
    size_t prefix = common_prefix_length(query, lq, target, lt);
    if (whole_words)
        prefix -= prefix % WORD_BITS;
    query += prefix;
    target += prefix;
    lq -= prefix;
    lt -= prefix;
    const size_t suffix = common_suffix_length(query, lq, target, lt);
    return {query, lq - suffix, target, lt - suffix};
}

}  // namespace veltrocamber::distance
