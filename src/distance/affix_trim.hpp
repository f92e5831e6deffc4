// Dropping the common prefix and suffix of a pair before an edit distance
// runs. For the distances here whose edits all cost 1 (Levenshtein, optimal
// string alignment, the unrestricted Damerau-Levenshtein distance, Indel)
// equal leading and trailing symbols never change the distance, and edited
// copies of one text share long affixes, so the kernels see only the part
// in between.
#pragma once

#include <cstddef>

#include "distance/levenshtein.hpp"

namespace veltrocamber::distance {

template <typename Symbol>
struct TrimmedPair {
    const Symbol *query;
    size_t lq;
    const Symbol *target;
    size_t lt;
};

template <typename Symbol>
TrimmedPair<Symbol> trim_common_affixes(const Symbol *query, size_t lq, const Symbol *target, size_t lt) noexcept {
    const size_t prefix = levenshtein::common_prefix_length(query, lq, target, lt);
    query += prefix;
    target += prefix;
    lq -= prefix;
    lt -= prefix;
    const size_t suffix = levenshtein::common_suffix_length(query, lq, target, lt);
    return {query, lq - suffix, target, lt - suffix};
}

}  // namespace veltrocamber::distance
