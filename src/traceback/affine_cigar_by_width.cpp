#include "traceback/affine_cigar_by_width.hpp"

#include "module/cell_width_dispatch.hpp"
#include "traceback/affine_cigar_driver.hpp"

namespace veltrocamber {

std::string affine_cigar_by_width(AlignmentMode mode, const FarrarTokenChannel &channel, int64_t match,
                                  int64_t mismatch, int64_t gap_open, int64_t gap_extend, int64_t expected_score,
                                  bool has_score) {
    return cell_width_dispatch(channel.width, "unsupported profile traceback width", [&]<typename T>() {
        const auto driver = mode == AlignmentMode::smith_waterman ? profile_traceback::smith_waterman_affine_cigar<T>
                                                                  : profile_traceback::needleman_wunsch_affine_cigar<T>;
        return driver(channel.query.data(), channel.query.size(), channel.target.data(), channel.target.size(),
                      static_cast<T>(match), static_cast<T>(mismatch), static_cast<T>(gap_open),
                      static_cast<T>(gap_extend), expected_score, has_score)
            .cigar;
    });
}

std::string smith_waterman_affine_cigar_by_width(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                                 int64_t gap_open, int64_t gap_extend) {
    return affine_cigar_by_width(AlignmentMode::smith_waterman, channel, match, mismatch, gap_open, gap_extend, 0,
                                 false);
}

std::string needleman_wunsch_affine_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                   int64_t mismatch, int64_t gap_open, int64_t gap_extend) {
    return affine_cigar_by_width(AlignmentMode::needleman_wunsch, channel, match, mismatch, gap_open, gap_extend, 0,
                                 false);
}

}  // namespace veltrocamber
