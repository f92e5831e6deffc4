// The object-typed keywords that every alignment entry point (scores,
// paths, CIGAR strings) shares: gap_open_score, gap_extend_score and width.
// They reach the bodies as Python objects so that None can mean "not
// given"; each converts here, with errors that name the entry point.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

namespace veltrocamber {

// The resolved gap scoring: linear when open == extend.
struct AffineGaps {
    int64_t open;
    int64_t extend;
    bool linear() const noexcept { return open == extend; }
};

// open = gap_open_score unless it is None, else gap_score; extend =
// gap_extend_score unless it is None, else the resolved open (not gap_score).
// Each value that is not None converts to a signed 64-bit integer through
// the keyword conversion (its errors name `function` and the argument).
AffineGaps resolve_affine_gaps(const char *function, int64_t gap_score, nanobind::handle gap_open_score,
                               nanobind::handle gap_extend_score);

// The `width` keyword: None is 0 (automatic), anything else must convert to
// an unsigned 32-bit integer (errors name `function`); input preparation
// validates the value.
uint32_t kernel_width_argument(const char *function, nanobind::handle width);

// The three keywords of one call, converted in this order: width, then the
// gaps by resolve_affine_gaps.
struct AlignmentKeywords {
    uint32_t width;
    AffineGaps gaps;
};

AlignmentKeywords convert_alignment_keywords(const char *function, int64_t gap_score,
                                             nanobind::handle gap_open_score, nanobind::handle gap_extend_score,
                                             nanobind::handle width);

}  // namespace veltrocamber
