#include "align/alignment_keywords.hpp"

#include "module/keyword_conversion.hpp"

namespace nb = nanobind;

namespace veltrocamber {

AffineGaps resolve_affine_gaps(const char *function, int64_t gap_score, nb::handle gap_open_score,
                               nb::handle gap_extend_score) {
    AffineGaps gaps{};
    gaps.open = optional_integer_keyword<int64_t>(function, "gap_open_score", gap_open_score).value_or(gap_score);
    gaps.extend =
        optional_integer_keyword<int64_t>(function, "gap_extend_score", gap_extend_score).value_or(gaps.open);
    return gaps;
}

uint32_t kernel_width_argument(const char *function, nb::handle width) {
    return optional_integer_keyword<uint32_t>(function, "width", width).value_or(0u);
}

AlignmentKeywords convert_alignment_keywords(const char *function, int64_t gap_score, nb::handle gap_open_score,
                                             nb::handle gap_extend_score, nb::handle width) {
    const uint32_t converted_width = kernel_width_argument(function, width);
    const AffineGaps gaps = resolve_affine_gaps(function, gap_score, gap_open_score, gap_extend_score);
    return AlignmentKeywords{converted_width, gaps};
}

}  // namespace veltrocamber
