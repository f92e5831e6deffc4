// The affine CIGAR drivers reached through the cell width of a Farrar token
// channel: the scoring values are narrowed to the cell type (their low 8, 16
// or 32 bits; the width rule makes that exact), and a width other than 8,
// 16, 32 or 64 raises RuntimeError "unsupported profile traceback width".
#pragma once

#include <cstdint>
#include <string>

#include "module/farrar_preprocess.hpp"

namespace veltrocamber {

enum class AlignmentMode : uint8_t { smith_waterman, needleman_wunsch };

// The CIGAR text of one optimal alignment of the channel's pair in `mode`.
// With `has_score` false the driver computes the expected score of its
// banded attempt itself; with it true `expected_score` is taken as that
// score (a prepared object's stored score).
std::string affine_cigar_by_width(AlignmentMode mode, const FarrarTokenChannel &channel, int64_t match,
                                  int64_t mismatch, int64_t gap_open, int64_t gap_extend, int64_t expected_score,
                                  bool has_score);

// The one-shot roads: the driver runs its own score pass.
std::string smith_waterman_affine_cigar_by_width(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                                 int64_t gap_open, int64_t gap_extend);
std::string needleman_wunsch_affine_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                   int64_t mismatch, int64_t gap_open, int64_t gap_extend);

}  // namespace veltrocamber
