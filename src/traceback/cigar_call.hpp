// The body that the CIGAR entry points share: the object-typed keywords
// convert (width, then gap_open_score, then gap_extend_score), then
// `pair(query, target, match, mismatch, open, extend, width)` answers, with
// `function` named in the argument errors and in the MemoryError of a block
// that cannot be held.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

#include "align/alignment_keywords.hpp"
#include "module/memory_errors.hpp"

namespace veltrocamber {

template <typename Pair>
decltype(auto) cigar_call(const char *function, Pair &&pair, nanobind::handle query, nanobind::handle target,
                          int64_t match, int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                          nanobind::handle gap_extend, nanobind::handle width) {
    const AlignmentKeywords keywords = convert_alignment_keywords(function, gap, gap_open, gap_extend, width);
    return name_memory_refusals(function, [&] {
        return pair(query.ptr(), target.ptr(), match, mismatch, keywords.gaps.open, keywords.gaps.extend,
                    keywords.width);
    });
}

}  // namespace veltrocamber
