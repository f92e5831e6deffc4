// Checkpointed affine CIGAR: the forward pass stores every interval-th score
// row, then the walk back recomputes the codes of one block of rows at a
// time from the stored row above it and walks through the block, carrying
// its state into the block above (a vertical gap runs across block edges; a
// horizontal one never leaves its row). The walk is the full-matrix affine
// walk, so the text is the one the full-matrix kernels give; only the codes
// come from the block instead of a whole matrix.
//
// Traceback memory: the store (see traceback_checkpoints.hpp), one block of
// at most interval x (tlen + 1) codes, four rows and the runs. A query no
// longer than one interval is a single block as large as the full code
// matrix without its row 0. Always the affine recurrence, also when open
// equals extend.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "module/cigar.hpp"
#include "module/interrupt_poll.hpp"
#include "module/memory_guard.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/two_pass_affine_fill.hpp"
#include "traceback/traceback_checkpoints.hpp"

namespace veltrocamber::profile_traceback {

// The codes of query rows top + 1 .. bottom (top a multiple of the interval),
// code(i, j) at (i - top - 1) * (tlen + 1) + j, recomputed from slot top /
// interval with the forward pass's recurrence. `block` keeps its capacity
// from one block to the next. The rows are counted in `poll`, the call's: a
// block is far smaller than the cells between two checks, so a poll of its
// own would never check, and a walk back over many blocks would run
// unchecked.
template <bool Local, typename T>
void recompute_affine_block(std::vector<TracebackCode> &block, const TracebackCheckpoints<T> &store, size_t top,
                            size_t bottom, const uint8_t *query, const uint8_t *target, size_t tlen,
                            const AffineScores<T> &scores, InterruptPoll &poll) {
    const size_t stride = tlen + 1;
    block.resize((bottom - top) * stride);
    const auto substitution = match_mismatch(scores);
    TwoPassAffineRows<T> rows(stride, Local ? T{0} : minus_infinity<T>());
    store.load(top / store.interval, rows.h_previous, rows.v_previous);
    TracebackEnd unused;
    for (size_t i = top + 1; i <= bottom; ++i) {
        poll.advance(tlen);
        TracebackCode *codes = block.data() + (i - top - 1) * stride;
        start_affine_row<Local>(rows, codes, i, scores);
        fill_affine_row_two_pass<Local>(rows, codes, i, tlen, substitution.row(query[i - 1]), target, scores,
                                        unused);
        rows.next_row();
    }
}

template <bool Local, typename T>
std::string checkpointed_affine_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                      T match, T mismatch, T gap_open, T gap_extend) {
    if (Local && (qlen == 0 || tlen == 0))
        return {};
    const AffineScores<T> scores{match, mismatch, gap_open, gap_extend};
    const size_t interval = checkpoint_interval(tlen);
    // Refuse the code block too before the store is allocated and filled.
    guarded_block_bytes("a traceback block", std::min(interval, qlen), tlen + 1, sizeof(TracebackCode));
    TracebackCheckpoints<T> store(qlen, tlen);
    InterruptPoll poll;  // one count for the forward pass and every block of the walk back
    const BestCell<T> best = affine_checkpoint_pass<Local>(query, qlen, target, tlen, match, mismatch, gap_open,
                                                           gap_extend, store, poll);
    if (Local && best.score <= 0)
        return {};
    std::vector<CigarRun> runs;
    runs.reserve(64);
    const auto emit = [&runs](char letter) { push_cigar_op(runs, letter); };
    std::vector<TracebackCode> block;
    size_t row = best.row, column = best.col;
    AffineWalkState state = AffineWalkState::match;
    for (;;) {
        if constexpr (!Local) {
            // The border: what is left on row 0 is an insertion, on column 0
            // a deletion, whatever the state.
            if (row == 0 || column == 0) {
                for (size_t k = row + column; k != 0; --k)
                    emit(row == 0 ? 'I' : 'D');
                break;
            }
        }
        const size_t top = interval * ((row - 1) / interval);
        recompute_affine_block<Local>(block, store, top, std::min(top + interval, qlen), query, target, tlen, scores,
                                      poll);
        const size_t stride = tlen + 1;
        const auto code = [&block, top, stride](size_t i, size_t j) { return block[(i - top - 1) * stride + j]; };
        const bool ended = walk_affine(code, query, target, !Local, row, column, state, emit,
                                       [top](size_t i, size_t) { return i > top; });
        if (Local && (ended || row == 0 || column == 0))
            break;
    }
    return cigar_text_from_runs(runs);
}

template <typename T>
std::string smith_waterman_checkpointed_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                              T match, T mismatch, T gap_open, T gap_extend) {
    return checkpointed_affine_cigar<true>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
}

template <typename T>
std::string needleman_wunsch_checkpointed_cigar(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                size_t tlen, T match, T mismatch, T gap_open, T gap_extend) {
    return checkpointed_affine_cigar<false>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
}

inline constexpr auto smith_waterman_checkpointed_cigar_i8 = &smith_waterman_checkpointed_cigar<int8_t>;
inline constexpr auto smith_waterman_checkpointed_cigar_i16 = &smith_waterman_checkpointed_cigar<int16_t>;
inline constexpr auto smith_waterman_checkpointed_cigar_i32 = &smith_waterman_checkpointed_cigar<int32_t>;
inline constexpr auto smith_waterman_checkpointed_cigar_i64 = &smith_waterman_checkpointed_cigar<int64_t>;
inline constexpr auto needleman_wunsch_checkpointed_cigar_i8 = &needleman_wunsch_checkpointed_cigar<int8_t>;
inline constexpr auto needleman_wunsch_checkpointed_cigar_i16 = &needleman_wunsch_checkpointed_cigar<int16_t>;
inline constexpr auto needleman_wunsch_checkpointed_cigar_i32 = &needleman_wunsch_checkpointed_cigar<int32_t>;
inline constexpr auto needleman_wunsch_checkpointed_cigar_i64 = &needleman_wunsch_checkpointed_cigar<int64_t>;

}  // namespace veltrocamber::profile_traceback
