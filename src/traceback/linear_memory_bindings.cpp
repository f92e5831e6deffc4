#include "traceback/linear_memory_bindings.hpp"

#include <utility>

#include "module/cell_width_dispatch.hpp"
#include "traceback/checkpointed_affine_cigar.hpp"
#include "traceback/cigar_bindings.hpp"
#include "traceback/cigar_call.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

inline constexpr const char *UNSUPPORTED_WIDTH = "unsupported profile traceback width";

template <bool Local>
std::string checkpointed_cigar_by_width(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                        int64_t gap_open, int64_t gap_extend) {
    return cell_width_dispatch(channel.width, UNSUPPORTED_WIDTH, [&]<typename T>() {
        return profile_traceback::checkpointed_affine_cigar<Local, T>(
            channel.query.data(), channel.query.size(), channel.target.data(), channel.target.size(),
            static_cast<T>(match), static_cast<T>(mismatch), static_cast<T>(gap_open), static_cast<T>(gap_extend));
    });
}

// Always the affine road, whatever the resolved gaps.
template <bool Local>
std::string checkpointed_cigar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                    int64_t gap_open, int64_t gap_extend, uint32_t width) {
    const FarrarTokenChannel channel = preprocess_farrar(query, target, match, mismatch, gap_open, gap_extend, width);
    return checkpointed_cigar_by_width<Local>(channel, match, mismatch, gap_open, gap_extend);
}

// A linear gap of zero or below takes the trade driver; anything else, and a
// declined attempt, the full-matrix roads of smith_waterman_cigar.
std::string smith_waterman_trade_cigar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                            int64_t gap_open, int64_t gap_extend, uint32_t width) {
    if (gap_open == gap_extend && gap_open <= 0) {
        profile_traceback::TradeCigarAttempt attempt;
        {
            const FarrarTokenChannel channel =
                preprocess_farrar(query, target, match, mismatch, gap_open, gap_open, width);
            attempt = smith_waterman_trade_cigar_by_width(channel, match, mismatch, gap_open);
        }
        if (attempt.handled)
            return std::move(attempt.cigar);
    }
    return smith_waterman_cigar_pair(query, target, match, mismatch, gap_open, gap_extend, width);
}

}  // namespace

std::string smith_waterman_checkpointed_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                       int64_t mismatch, int64_t gap_open, int64_t gap_extend) {
    return checkpointed_cigar_by_width<true>(channel, match, mismatch, gap_open, gap_extend);
}

std::string needleman_wunsch_checkpointed_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                         int64_t mismatch, int64_t gap_open, int64_t gap_extend) {
    return checkpointed_cigar_by_width<false>(channel, match, mismatch, gap_open, gap_extend);
}

profile_traceback::TradeCigarAttempt smith_waterman_trade_cigar_by_width(const FarrarTokenChannel &channel,
                                                                         int64_t match, int64_t mismatch,
                                                                         int64_t gap) {
    return cell_width_dispatch(channel.width, UNSUPPORTED_WIDTH, [&]<typename T>() {
        return profile_traceback::smith_waterman_trade_cigar<T>(channel.query.data(), channel.query.size(),
                                                                channel.target.data(), channel.target.size(),
                                                                static_cast<T>(match), static_cast<T>(mismatch),
                                                                static_cast<T>(gap));
    });
}

std::string needleman_wunsch_trade_cigar_by_width(const FarrarTokenChannel &channel, int64_t match,
                                                  int64_t mismatch, int64_t gap) {
    return cell_width_dispatch(channel.width, UNSUPPORTED_WIDTH, [&]<typename T>() {
        return profile_traceback::needleman_wunsch_trade_cigar<T>(channel.query.data(), channel.query.size(),
                                                                  channel.target.data(), channel.target.size(),
                                                                  static_cast<T>(match), static_cast<T>(mismatch),
                                                                  static_cast<T>(gap));
    });
}

std::string py_smith_waterman_affine_checkpointed_cigar(nb::handle query, nb::handle target, int64_t match,
                                                        int64_t mismatch, int64_t gap, nb::handle gap_open,
                                                        nb::handle gap_extend, nb::handle width) {
    return cigar_call("_smith_waterman_affine_checkpointed_cigar", checkpointed_cigar_pair<true>, query, target,
                      match, mismatch, gap, gap_open, gap_extend, width);
}

std::string py_needleman_wunsch_affine_checkpointed_cigar(nb::handle query, nb::handle target, int64_t match,
                                                          int64_t mismatch, int64_t gap, nb::handle gap_open,
                                                          nb::handle gap_extend, nb::handle width) {
    return cigar_call("_needleman_wunsch_affine_checkpointed_cigar", checkpointed_cigar_pair<false>, query, target,
                      match, mismatch, gap, gap_open, gap_extend, width);
}

std::string py_smith_waterman_trade_cigar(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                          int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                          nb::handle width) {
    return cigar_call("smith_waterman_trade_cigar", smith_waterman_trade_cigar_pair, query, target, match, mismatch,
                      gap, gap_open, gap_extend, width);
}

}  // namespace veltrocamber
