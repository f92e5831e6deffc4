// Python-facing side of the alignment scores: gap resolution shared with the
// traceback entry points, the per-pair dispatchers and the five score
// functions that the binding table registers.
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
// A value that does not convert to a signed 64-bit integer raises the Python
// error the conversion left pending, or nanobind's cast failure.
AffineGaps resolve_affine_gaps(int64_t gap_score, nanobind::handle gap_open_score,
                               nanobind::handle gap_extend_score);

// The `width` keyword: None is 0 (automatic), anything else must convert to
// an unsigned 32-bit integer; input preparation validates the value.
uint32_t kernel_width_argument(nanobind::handle width);

}  // namespace veltrocamber
