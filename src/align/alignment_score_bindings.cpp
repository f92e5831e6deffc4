#include "align/alignment_score_bindings.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

template <typename T>
T convert_or_raise(nb::handle value) {
    T out{};
    if (!nb::try_cast(value, out))
        nb::detail::raise_python_or_cast_error();
    return out;
}

}  // namespace

AffineGaps resolve_affine_gaps(int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score) {
    AffineGaps gaps{};
    gaps.open = gap_open_score.is_none() ? gap_score : convert_or_raise<int64_t>(gap_open_score);
    gaps.extend = gap_extend_score.is_none() ? gaps.open : convert_or_raise<int64_t>(gap_extend_score);
    return gaps;
}

uint32_t kernel_width_argument(nb::handle width) {
    return width.is_none() ? 0u : convert_or_raise<uint32_t>(width);
}

}  // namespace veltrocamber
