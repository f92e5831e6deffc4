// Checkpoints of an affine fill: the score rows H and V of every interval-th
// query row, kept by a forward pass that computes scores only, so that a
// walk back can recompute the codes of one block of rows at a time from the
// stored row above it (the horizontal-gap values need no store: they restart
// at minus infinity in column 0 of every row).
//
// The interval is 65536 / (tlen + 1) clamped to [16, 128], so one block of
// codes is about 64 KiB for 511 <= tlen < 4096. The store holds 2 x (qlen /
// interval + 1) x (tlen + 1) cells: between 1/64 and 1/8 of the cells of the
// full matrix, and from tlen >= 3855 on (interval 16) qlen x tlen x cell / 8
// bytes, as much as a full matrix of one-byte codes when the cells are 64
// bits wide. It is not linear in the input lengths.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "module/interrupt_poll.hpp"
#include "module/memory_guard.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/best_cell.hpp"
#include "traceback/traceback_codes.hpp"
#include "traceback/two_pass_affine_fill.hpp"

namespace veltrocamber::profile_traceback {

// Query rows between two stored rows, and the height of a recomputed block.
inline size_t checkpoint_interval(size_t tlen) noexcept {
    return std::clamp<size_t>(65536 / (tlen + 1), 16, 128);
}

// Slot k holds H and V of query row k x interval; slot 0 row 0. The store is
// sized through the memory guard, before anything is allocated.
template <typename T>
struct TracebackCheckpoints {
    uint64_t interval;
    uint64_t count;    // qlen / interval + 1
    uint64_t row_len;  // tlen + 1
    std::vector<T> h_rows;
    std::vector<T> e_rows;

    TracebackCheckpoints(size_t rows, size_t cols)
        : interval(checkpoint_interval(cols)), count(rows / interval + 1), row_len(cols + 1),
          h_rows(guarded_cells(count, row_len)), e_rows(h_rows.size()) {}

    // Cells of one of the two vectors, once both together can be held.
    static size_t guarded_cells(uint64_t count, uint64_t row_len) {
        guarded_block_bytes("a checkpoint store", 2 * count, row_len, sizeof(T));
        return count * row_len;
    }

    void save(size_t slot, const std::vector<T> &h, const std::vector<T> &v) noexcept {
        std::copy(h.begin(), h.end(), h_rows.begin() + slot * row_len);
        std::copy(v.begin(), v.end(), e_rows.begin() + slot * row_len);
    }
    void load(size_t slot, std::vector<T> &h, std::vector<T> &v) const noexcept {
        std::copy_n(h_rows.begin() + slot * row_len, row_len, h.begin());
        std::copy_n(e_rows.begin() + slot * row_len, row_len, v.begin());
    }
};

// The affine recurrence of the full-matrix kernels over the whole matrix
// with four rolling rows, storing every interval-th row. The codes of a row
// are formed in a scratch row and dropped. Its cells are counted in `poll`,
// the call's, which the walk back goes on counting in.
template <bool Local, typename T>
BestCell<T> affine_checkpoint_pass(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen, T match,
                                   T mismatch, T gap_open, T gap_extend, TracebackCheckpoints<T> &store,
                                   InterruptPoll &poll) {
    const AffineScores<T> scores{match, mismatch, gap_open, gap_extend};
    const auto substitution = match_mismatch(scores);
    TwoPassAffineRows<T> rows(tlen + 1, Local ? T{0} : minus_infinity<T>());
    std::vector<TracebackCode> codes(tlen + 1);
    if constexpr (!Local)
        start_global_affine_border(rows, codes.data(), tlen, scores);
    store.save(0, rows.h_previous, rows.v_previous);
    TracebackEnd end;
    for (size_t i = 1; i <= qlen; ++i) {
        poll.advance(tlen);
        start_affine_row<Local>(rows, codes.data(), i, scores);
        fill_affine_row_two_pass<Local>(rows, codes.data(), i, tlen, substitution.row(query[i - 1]), target, scores,
                                        end);
        rows.next_row();
        if (i % store.interval == 0)
            store.save(i / store.interval, rows.h_previous, rows.v_previous);
    }
    if constexpr (Local)
        return BestCell<T>{static_cast<T>(end.score), end.row, end.column};
    else
        return BestCell<T>{rows.h_previous[tlen], qlen, tlen};
}

// The passes on their own, each with a poll of its own.
template <typename T>
BestCell<T> smith_waterman_affine_checkpoint_pass(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                  size_t tlen, T match, T mismatch, T gap_open, T gap_extend,
                                                  TracebackCheckpoints<T> &store) {
    InterruptPoll poll;
    return affine_checkpoint_pass<true>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend, store,
                                        poll);
}

template <typename T>
BestCell<T> needleman_wunsch_affine_checkpoint_pass(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                    size_t tlen, T match, T mismatch, T gap_open, T gap_extend,
                                                    TracebackCheckpoints<T> &store) {
    InterruptPoll poll;
    return affine_checkpoint_pass<false>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend, store,
                                         poll);
}

inline constexpr auto smith_waterman_affine_checkpoint_pass_i8 = &smith_waterman_affine_checkpoint_pass<int8_t>;
inline constexpr auto smith_waterman_affine_checkpoint_pass_i16 = &smith_waterman_affine_checkpoint_pass<int16_t>;
inline constexpr auto smith_waterman_affine_checkpoint_pass_i32 = &smith_waterman_affine_checkpoint_pass<int32_t>;
inline constexpr auto smith_waterman_affine_checkpoint_pass_i64 = &smith_waterman_affine_checkpoint_pass<int64_t>;
inline constexpr auto needleman_wunsch_affine_checkpoint_pass_i8 = &needleman_wunsch_affine_checkpoint_pass<int8_t>;
inline constexpr auto needleman_wunsch_affine_checkpoint_pass_i16 = &needleman_wunsch_affine_checkpoint_pass<int16_t>;
inline constexpr auto needleman_wunsch_affine_checkpoint_pass_i32 = &needleman_wunsch_affine_checkpoint_pass<int32_t>;
inline constexpr auto needleman_wunsch_affine_checkpoint_pass_i64 = &needleman_wunsch_affine_checkpoint_pass<int64_t>;

}  // namespace veltrocamber::profile_traceback
