// Trade CIGAR drivers: linear-gap CIGAR text that trades the full traceback
// matrix for extra score passes, so that memory stays linear in the target
// length on large inputs.
//
// Local: a two-row pass finds the end cell (the first strict maximum), a
// global pass over the reversed prefixes that end there finds the start cell
// (the first cell, rows outer, that reaches the best score: the shortest
// query stretch, then the shortest target stretch), a re-score confirms the
// enclosed rectangle and the divide-and-conquer split aligns it. The split
// may choose another optimal alignment than the full-matrix kernels (same
// end cell and score). A failed check declines, and the caller answers with
// the full-matrix kernels.
//
// Global: the full code matrix below 2^24 cells (or for a positive gap,
// which the split does not serve), the split above.
//
// Each driver counts all its passes in one poll.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "module/cigar.hpp"
#include "module/interrupt_poll.hpp"
#include "traceback/best_cell.hpp"
#include "traceback/hirschberg_cigar.hpp"
#include "traceback/linear_path.hpp"

namespace veltrocamber::profile_traceback {

// handled false: declined, and cigar holds nothing.
struct TradeCigarAttempt {
    std::string cigar;
    bool handled = false;
};

// The best local linear score and its first cell, with two rolling rows.
template <typename T>
BestCell<T> smith_waterman_linear_end_cell(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           T match, T mismatch, T gap, InterruptPoll &poll) {
    std::vector<T> up(tlen + 1, T{0}), row(tlen + 1, T{0});
    BestCell<T> best;
    for (size_t i = 1; i <= qlen; ++i) {
        poll.advance(tlen);
        const uint8_t symbol = query[i - 1];
        for (size_t j = 1; j <= tlen; ++j) {
            const T diag = wrap_add(up[j - 1], symbol == target[j - 1] ? match : mismatch);
            const T value = choose_linear_cell(diag, wrap_add(up[j], gap), wrap_add(row[j - 1], gap)).value;
            row[j] = value > 0 ? value : T{0};
            if (row[j] > best.score)
                best = {row[j], i, j};
        }
        up.swap(row);
    }
    return best;
}

struct LinearStartCell {
    uint64_t li = 0;
    uint64_t lj = 0;
    bool found = false;
};

// Global scores of the reversed prefixes (row i and column j read the i-th
// and j-th tokens back from the end cell): the first cell, rows outer, equal
// to `best`. Row 0 and column 0 are not candidates.
template <typename T>
LinearStartCell smith_waterman_linear_start_cell(const TokenSpan &query, const TokenSpan &target, T best, T match,
                                                 T mismatch, T gap, InterruptPoll &poll) {
    const std::vector<uint8_t> columns = target.tokens();
    const size_t qlen = query.size(), tlen = columns.size();
    std::vector<T> up, row(tlen + 1);
    global_linear_border(up, tlen, gap);
    for (size_t i = 1; i <= qlen; ++i) {
        poll.advance(tlen);
        global_linear_row(up.data(), row.data(), query[i - 1], columns.data(), tlen, match, mismatch, gap);
        for (size_t j = 1; j <= tlen; ++j)
            if (row[j] == best)
                return {i, j, true};
        up.swap(row);
    }
    return {};
}

template <typename T>
TradeCigarAttempt smith_waterman_trade_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                             T match, T mismatch, T gap) {
    if (qlen == 0 || tlen == 0)
        return {{}, true};
    InterruptPoll poll;
    const BestCell<T> end = smith_waterman_linear_end_cell(query, qlen, target, tlen, match, mismatch, gap, poll);
    if (end.score < 1)
        return {{}, true};
    const LinearStartCell start =
        smith_waterman_linear_start_cell(TokenSpan{query, 0, end.row, true}, TokenSpan{target, 0, end.col, true},
                                         end.score, match, mismatch, gap, poll);
    if (!start.found)
        return {};
    const TokenSpan q{query, end.row - start.li, end.row, false}, t{target, end.col - start.lj, end.col, false};
    std::vector<T> rescored;
    needleman_wunsch_last_row(q, t, match, mismatch, gap, rescored, poll);
    if (rescored[start.lj] != end.score)
        return {};
    std::string operations;
    operations.reserve(start.li + start.lj);
    hirschberg_cigar(q, t, match, mismatch, gap, operations, poll);
    return {cigar_from_operations(operations.size(), operations.data()), true};
}

inline constexpr uint64_t TRADE_FULL_MATRIX_CELLS = uint64_t{1} << 24;

template <typename T>
std::string needleman_wunsch_trade_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                         T match, T mismatch, T gap) {
    if (gap > 0 || static_cast<uint64_t>(qlen) * tlen < TRADE_FULL_MATRIX_CELLS)
        return linear_cigar<false>(query, qlen, target, tlen, match, mismatch, gap);
    std::string operations;
    operations.reserve(qlen + tlen);
    InterruptPoll poll;
    hirschberg_cigar(TokenSpan{query, 0, qlen, false}, TokenSpan{target, 0, tlen, false}, match, mismatch, gap,
                     operations, poll);
    return cigar_from_operations(operations.size(), operations.data());
}

inline constexpr auto smith_waterman_linear_end_cell_i8 = &smith_waterman_linear_end_cell<int8_t>;
inline constexpr auto smith_waterman_linear_end_cell_i16 = &smith_waterman_linear_end_cell<int16_t>;
inline constexpr auto smith_waterman_linear_end_cell_i32 = &smith_waterman_linear_end_cell<int32_t>;
inline constexpr auto smith_waterman_linear_end_cell_i64 = &smith_waterman_linear_end_cell<int64_t>;
inline constexpr auto smith_waterman_linear_start_cell_i8 = &smith_waterman_linear_start_cell<int8_t>;
inline constexpr auto smith_waterman_linear_start_cell_i16 = &smith_waterman_linear_start_cell<int16_t>;
inline constexpr auto smith_waterman_linear_start_cell_i32 = &smith_waterman_linear_start_cell<int32_t>;
inline constexpr auto smith_waterman_linear_start_cell_i64 = &smith_waterman_linear_start_cell<int64_t>;
inline constexpr auto smith_waterman_trade_cigar_i8 = &smith_waterman_trade_cigar<int8_t>;
inline constexpr auto smith_waterman_trade_cigar_i16 = &smith_waterman_trade_cigar<int16_t>;
inline constexpr auto smith_waterman_trade_cigar_i32 = &smith_waterman_trade_cigar<int32_t>;
inline constexpr auto smith_waterman_trade_cigar_i64 = &smith_waterman_trade_cigar<int64_t>;
inline constexpr auto needleman_wunsch_trade_cigar_i8 = &needleman_wunsch_trade_cigar<int8_t>;
inline constexpr auto needleman_wunsch_trade_cigar_i16 = &needleman_wunsch_trade_cigar<int16_t>;
inline constexpr auto needleman_wunsch_trade_cigar_i32 = &needleman_wunsch_trade_cigar<int32_t>;
inline constexpr auto needleman_wunsch_trade_cigar_i64 = &needleman_wunsch_trade_cigar<int64_t>;

}  // namespace veltrocamber::profile_traceback
