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

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

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
// from real ones, minus gaps), so the position found is real.
struct ColumnOfLastRise {
    std::vector<uint64_t> words;
    uint64_t step = 0;
    uint64_t best_lane = 0;  // the best as an unsigned lane
    unsigned lane_bits = 8;

    // The rise without the copy, for a caller that keeps the column itself.
    template <typename Lane>
    void note(size_t j, uint64_t best) noexcept {
        using S = align::SwarLanes<Lane>;
        step = j;
        best_lane = best & S::lane_mask;
        lane_bits = S::bits;
    }
    template <typename Lane>
    void new_best(size_t j, const Lane *he_column, size_t segments, uint64_t best) {
        words.resize(segments);
        copy_h_words(he_column, segments, words.data());
        note<Lane>(j, best);
    }

    // Position k * S + i lives in word i, lane k (S words).
    uint64_t position_of_best() const noexcept {
        const size_t segments = words.size();
        const uint64_t mask = (uint64_t(1) << lane_bits) - 1;
        for (unsigned k = 0; k < 64 / lane_bits; ++k)
            for (size_t i = 0; i < segments; ++i)
                if (((words[i] >> (k * lane_bits)) & mask) == best_lane)
                    return k * segments + i;
        return 0;  // not reached: the column holds its best
    }
};

// Every H of the pass, when the pair has at most stored_rows_cell_limit
// cells: step i - 1 holds query row i, position j - 1 target column j.
inline constexpr uint64_t stored_rows_cell_limit = uint64_t(1) << 24;

template <typename Lane>
struct StoredRows {
    std::unique_ptr<Lane[]> lanes;  // uninitialised until the pass writes it
    size_t segments = 0;
    Lane zero = 0;

    bool filled() const noexcept { return lanes != nullptr; }
    // H(i, j) for i, j >= 1.
    int64_t h(size_t i, size_t j) const noexcept {
        constexpr size_t L = align::SwarLanes<Lane>::count;
        const size_t p = j - 1;
        return static_cast<int64_t>(lanes[(i - 1) * segments * L + (p % segments) * L + p / segments]) - zero;
    }
};

// The watch of the pass: every column into `stored` when it has room, the
// column of the last rise otherwise (a column that `stored` keeps anyway).
// A restart (checked offset columns that outgrew the lanes, run again
// floored from column 0 with another lane of the value 0) forgets the rise:
// the new run tells its own and stores every column again.
template <typename Lane>
struct EndPassWatch {
    ColumnOfLastRise rise;
    StoredRows<Lane> *stored;

    void new_best(size_t j, const Lane *he_column, size_t segments, uint64_t best) {
        if (stored != nullptr)
            rise.note<Lane>(j, best);
        else
            rise.new_best(j, he_column, segments, best);
    }
    void column(size_t j, const Lane *he_column, size_t segments, Lane zero) noexcept {
        if (stored != nullptr) {
            copy_h_words(he_column, segments, stored->lanes.get() + j * segments * align::SwarLanes<Lane>::count);
            stored->zero = zero;
        }
    }
    void restart() noexcept {
        rise.words.clear();
        rise.step = 0;
        rise.best_lane = 0;
    }
};

// The best local affine score and its end cell (matrix indices, query row
// first; {0, 0, 0} when no cell is positive), for gap_open <= 0 and
// gap_extend <= 0 on lanes Lane that hold the pair (the kernel-width rule).
// `stored` receives every H when the pair is small enough (see StoredRows).
template <typename Lane>
BestCell<int64_t> striped_local_affine_end(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
                                           StoredRows<Lane> &stored) {
    align::StripedAffineProfile<Lane> profile;
    align::rebuild_striped_affine_profile<Lane>(profile, target, tlen, query, qlen, match, mismatch, gap_open,
                                                gap_extend);
    EndPassWatch<Lane> watch{{}, nullptr};
    watch.rise.words.reserve(profile.core.segments);
    stored.lanes.reset();
    if (profile.core.segments != 0 && static_cast<uint64_t>(qlen) * tlen <= stored_rows_cell_limit) {
        stored.segments = profile.core.segments;
        stored.lanes.reset(new Lane[qlen * stored.segments * align::SwarLanes<Lane>::count]);
        watch.stored = &stored;
    }
    const int64_t best =
        align::striped_local_affine<Lane>(profile, profile.core.row_offsets.data(), profile.core.target_length, watch);
    if (best <= 0)
        return {};
    if (watch.stored != nullptr) {
        const Lane *row = stored.lanes.get() + watch.rise.step * stored.segments * align::SwarLanes<Lane>::count;
        watch.rise.words.resize(stored.segments);
        std::memcpy(watch.rise.words.data(), row, stored.segments * sizeof(uint64_t));
    }
    return {best, watch.rise.step + 1, watch.rise.position_of_best() + 1};
}

}  // namespace veltrocamber::profile_traceback
