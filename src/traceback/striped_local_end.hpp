// The best local affine score together with its end cell, from one striped
// pass (gap values of 0 or below, lanes of 8 to 32 bits).
//
// The end cell of a local traceback is the first cell in row-major order
// (query rows outer, target columns inner) whose H is the best score. With
// match/mismatch scoring and one pair of gap values for both gap kinds, H is
// symmetric under swapping query and target, so a striped pass over the
// TARGET that steps through the query meets one whole query row per column
// step. The end row is the last step where the best rises strictly, and the
// end column the smallest target position of that step holding the new best.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "align/local_affine_score.hpp"
#include "align/striped_local.hpp"
#include "align/striped_profile.hpp"
#include "align/swar_lanes.hpp"
#include "traceback/best_cell.hpp"

namespace veltrocamber::profile_traceback {

// The S H words of a work column of the striped local kernel (H word i at
// he_column + 2 i L, its E word after it) into `words`, one after another
// (S x 8 bytes).
template <typename Lane>
void copy_h_words(const Lane *he_column, size_t segments, void *words) noexcept {
    constexpr size_t L = align::SwarLanes<Lane>::count;
    for (size_t i = 0; i < segments; ++i)
        std::memcpy(static_cast<char *>(words) + i * sizeof(uint64_t), he_column + 2 * i * L, sizeof(uint64_t));
}

// A column watch of the striped local kernel (align::NoColumnWatch) that
// keeps a copy of the H words of the column of the latest strict rise;
// position_of_best() then finds the smallest striped position holding the
// best there. Padding positions lie above every real one, and a strict rise
// is always held by a real position too (padding cells take their values
// from real ones, minus gaps), so the position found is real. The lanes are
// those of the run that told the rise.
struct ColumnOfLastRise {
    std::vector<uint64_t> words;
    uint64_t step = 0;
    uint64_t best_lane = 0;  // the best as an unsigned lane
    unsigned lane_bits = 8;
    size_t segments = 0;

    // The rise without the copy, for a caller that keeps the column itself.
    template <typename Lane>
    void note(size_t j, size_t column_segments, uint64_t best) noexcept {
        using S = align::SwarLanes<Lane>;
        step = j;
        best_lane = best & S::lane_mask;
        lane_bits = S::bits;
        segments = column_segments;
    }
    template <typename Lane>
    void new_best(size_t j, const Lane *he_column, size_t column_segments, uint64_t best) {
        words.resize(column_segments);
        copy_h_words(he_column, column_segments, words.data());
        note<Lane>(j, column_segments, best);
    }

    // Position k * S + i lives in word i, lane k (S words).
    uint64_t position_of_best() const noexcept {
        const uint64_t mask = (uint64_t(1) << lane_bits) - 1;
        for (unsigned k = 0; k < 64 / lane_bits; ++k)
            for (size_t i = 0; i < segments; ++i)
                if (((words[i] >> (k * lane_bits)) & mask) == best_lane)
                    return k * segments + i;
        return 0;  // not reached: the column holds its best
    }
};

// Every H of the pass, when the pair has at most stored_rows_cell_limit
// cells: step i - 1 holds query row i, position j - 1 target column j, one
// row of `stride` words per step. A pass begun on narrower lanes that went
// on wider (see striped_local_affine_end) holds each step in the lanes of
// the run that told it (lane_bits: 8, 16 or the bits of Lane, in that order
// down the steps); narrower lanes take no more words than Lane's, and the
// lane of the value 0 is the same for all.
inline constexpr uint64_t stored_rows_cell_limit = uint64_t(1) << 24;

template <typename Lane>
struct StoredRows {
    std::unique_ptr<uint64_t[]> words;     // uninitialised until the pass writes it
    std::unique_ptr<uint8_t[]> lane_bits;  // the lane width of each step: 8, 16 or 32
    size_t stride = 0;
    size_t target_length = 0;
    int64_t zero = 0;

    bool filled() const noexcept { return words != nullptr; }
    // The words of step `row`.
    const uint64_t *row_words(size_t row) const noexcept { return words.get() + row * stride; }
    // H(i, j) for i, j >= 1: position p of a row of 64 / bits lanes a word
    // lives in word p mod S, lane p div S, S = ceil(target_length x bits /
    // 64) (striped_segments).
    int64_t h(size_t i, size_t j) const noexcept {
        const size_t p = j - 1;
        const uint64_t *row = row_words(i - 1);
        const unsigned bits = lane_bits[i - 1];
        const size_t segs = (target_length * bits + 63) / 64;
        const uint64_t lane = (row[p % segs] >> (p / segs * bits)) & ((uint64_t(1) << bits) - 1);
        return static_cast<int64_t>(lane) - zero;
    }
};

// The watch of the pass: every column into `stored` when it has room, the
// column of the last rise otherwise (a column that `stored` keeps anyway).
// A restart (the columns run again from the first, see NoColumnWatch)
// forgets the rise: the new run tells its own rises, and every column
// again into `stored`, in its own lanes.
template <typename Wide>
struct EndPassWatch {
    ColumnOfLastRise rise;
    StoredRows<Wide> *stored;

    template <typename Lane>
    void new_best(size_t j, const Lane *he_column, size_t segments, uint64_t best) {
        if (stored != nullptr)
            rise.note<Lane>(j, segments, best);
        else
            rise.new_best(j, he_column, segments, best);
    }
    template <typename Lane>
    void column(size_t j, const Lane *he_column, size_t segments, Lane zero) noexcept {
        if (stored != nullptr) {
            copy_h_words(he_column, segments, stored->words.get() + j * stored->stride);
            stored->lane_bits[j] = align::SwarLanes<Lane>::bits;
            stored->zero = zero;
        }
    }
    void restart() noexcept { rise = ColumnOfLastRise{}; }
};

// The best local affine score and its end cell (matrix indices, query row
// first; {0, 0, 0} when no cell is positive), for gap_open <= 0 and
// gap_extend <= 0 on lanes Lane that hold the pair (the kernel-width rule).
// `stored` receives every H when the pair is small enough (see StoredRows).
// Wider lanes begin on narrower ones checked for overflow, which answer
// alone whenever the pair's values stay low, and go on wider from the
// column after the one that outgrew them (the road of the score functions,
// align::striped_local_affine_score_narrow_first).
template <typename Lane>
BestCell<int64_t> striped_local_affine_end(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
                                           StoredRows<Lane> &stored) {
    EndPassWatch<Lane> watch{{}, nullptr};
    stored.words.reset();
    stored.lane_bits.reset();
    if (qlen != 0 && tlen != 0 && static_cast<uint64_t>(qlen) * tlen <= stored_rows_cell_limit) {
        stored.stride = align::striped_segments<Lane>(tlen);
        stored.target_length = tlen;
        stored.words.reset(new uint64_t[qlen * stored.stride]);
        stored.lane_bits.reset(new uint8_t[qlen]);
        watch.stored = &stored;
    }
    // The profile stripes the target; the pass steps through the query.
    align::StripedAffineScratch scratch;
    int64_t best = 0;
    if constexpr (std::is_same_v<Lane, int8_t>)
        best = align::striped_local_affine_score<Lane>(scratch.get<Lane>(), target, tlen, query, qlen, match,
                                                       mismatch, gap_open, gap_extend, watch);
    else
        best = align::striped_local_affine_score_narrow_first<Lane>(scratch, target, tlen, query, qlen, match,
                                                                    mismatch, gap_open, gap_extend, watch);
    if (best <= 0)
        return {};
    if (watch.stored != nullptr) {
        const uint64_t *row = stored.row_words(watch.rise.step);
        watch.rise.words.assign(row, row + watch.rise.segments);
    }
    return {best, watch.rise.step + 1, watch.rise.position_of_best() + 1};
}

}  // namespace veltrocamber::profile_traceback
