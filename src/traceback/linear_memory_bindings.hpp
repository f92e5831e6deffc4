// Entry points of the linear-memory CIGAR roads: the checkpointed affine
// CIGAR (_smith_waterman_affine_checkpointed_cigar,
// _needleman_wunsch_affine_checkpointed_cigar), the local trade CIGAR
// (smith_waterman_trade_cigar), and the width dispatchers behind them.
#pragma once

#include <cstdint>
#include <string>

#include <nanobind/nanobind.h>

#include "module/farrar_preprocess.hpp"
#include "traceback/trade_cigar.hpp"

namespace veltrocamber {

// The kernel of the channel's cell width with the scores narrowed to it;
// another width raises RuntimeError "unsupported profile traceback width".
std::string smith_waterman_checkpointed_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                       int64_t mismatch, int64_t gap_open, int64_t gap_extend);
std::string needleman_wunsch_checkpointed_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                         int64_t mismatch, int64_t gap_open, int64_t gap_extend);
profile_traceback::TradeCigarAttempt smith_waterman_trade_cigar_by_width(const FarrarTokenChannel &channel,
                                                                         int64_t match, int64_t mismatch,
                                                                         int64_t gap);
std::string needleman_wunsch_trade_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                  int64_t mismatch, int64_t gap);

// The Python bodies (query, target, match_score, mismatch_score, gap_score,
// gap_open_score, gap_extend_score, width).
std::string py_smith_waterman_affine_checkpointed_cigar(nanobind::handle query, nanobind::handle target,
                                                        int64_t match, int64_t mismatch, int64_t gap,
                                                        nanobind::handle gap_open, nanobind::handle gap_extend,
                                                        nanobind::handle width);
std::string py_needleman_wunsch_affine_checkpointed_cigar(nanobind::handle query, nanobind::handle target,
                                                          int64_t match, int64_t mismatch, int64_t gap,
                                                          nanobind::handle gap_open, nanobind::handle gap_extend,
                                                          nanobind::handle width);
std::string py_smith_waterman_trade_cigar(nanobind::handle query, nanobind::handle target, int64_t match,
                                          int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                          nanobind::handle gap_extend, nanobind::handle width);

}  // namespace veltrocamber
