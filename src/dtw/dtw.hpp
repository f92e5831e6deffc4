// Dynamic time warping kernels over float32, float64 and int16 samples.
//
// D[0][0] = 0, D[i][0] = D[0][j] = infinity, and for a cell inside the
// Sakoe-Chiba band |i - j| <= band
//   D[i][j] = min(D[i-1][j-1], D[i-1][j], D[i][j-1]) + cost(x_i, y_j),
// the minimum starting from the diagonal and replaced only on a strict
// less-than (so a NaN diagonal stays, a NaN up or left is passed over), and an
// infinite minimum staying infinite with no cost added. Cells outside the band
// are infinity; the band is never widened to |n - m|, so a radius below that
// leaves the end cell unreachable.
//
// Cells: float32 samples are compared in single precision throughout (the
// build keeps contraction off, so no fused multiply-add changes a rounding);
// float64 in double; int16 in 64-bit integers with INT64_MAX as infinity,
// because a squared int16 difference reaches 2^32 and long l1 paths pass
// 2^31.
//
// Memory: one row of m + 1 cells, updated in place. The rows are computed in
// strips of several rows whose cells advance together along a skewed front
// ((i, j), (i+1, j-1), ...), so the strip carries several independent
// dependency chains at once instead of one long left-to-right chain. The
// kernel polls for an interrupt once per strip.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "module/interrupt_poll.hpp"

namespace veltrocamber::dtw {

// The cost of one cell; any value other than 1 counts as l1.
enum DtwDistanceKind : int32_t {
    DTW_L1 = 0,
    DTW_L2_SQUARED = 1,
};

// Cell arithmetic per sample type: the cell type, its infinity, the cost of
// a sample pair and the step that extends the best predecessor by a cost.
template <typename Sample>
struct DtwCellRule;

template <std::floating_point F>
struct DtwCellRule<F> {
    using Cell = F;
    static constexpr Cell infinity = std::numeric_limits<F>::infinity();

    static Cell cost(F x, F y, bool squared) noexcept {
        const F d = x - y;
        return squared ? d * d : std::fabs(d);
    }
    static Cell extend(Cell best, Cell cost) noexcept { return best == infinity ? infinity : best + cost; }
    static double to_double(Cell c) noexcept { return static_cast<double>(c); }
};

template <>
struct DtwCellRule<int16_t> {
    // Values stay in [0, INT64_MAX], so unsigned arithmetic never wraps: the
    // largest cost is 65535^2 < 2^33.
    using Cell = uint64_t;
    static constexpr Cell infinity = static_cast<Cell>(std::numeric_limits<int64_t>::max());

    static Cell cost(int16_t x, int16_t y, bool squared) noexcept {
        const int64_t d = static_cast<int64_t>(x) - static_cast<int64_t>(y);
        const uint64_t a = static_cast<uint64_t>(d < 0 ? -d : d);
        return squared ? a * a : a;
    }
    // A path sum that would reach the sentinel saturates to infinity.
    static Cell extend(Cell best, Cell cost) noexcept { return best >= infinity - cost ? infinity : best + cost; }
    static double to_double(Cell c) noexcept {
        return c == infinity ? std::numeric_limits<double>::infinity() : static_cast<double>(c);
    }
};

namespace detail {

// Column range [lo(i), hi(i)] of row i inside the band.
struct BandRows {
    uint64_t band;  // effective radius, at most max(n, m)
    uint64_t m;
    uint64_t lo(uint64_t i) const noexcept { return band < i ? i - band : 1; }
    uint64_t hi(uint64_t i) const noexcept { return std::min(m, i + band); }
};

// The minimum with the diagonal first and strict less-than replacements.
template <typename Cell>
inline Cell best_of(Cell diag, Cell up, Cell left) noexcept {
    Cell best = diag;
    if (up < best)
        best = up;
    if (left < best)
        best = left;
    return best;
}

// Rows first_row .. first_row + R - 1 of the matrix, with `row` holding row
// first_row - 1 on entry (cells 0 .. m) and row first_row + R - 1 on exit for
// every column inside that row's band. Row r of the strip computes column
// t - r at step t; its up and diagonal neighbours are what row r - 1 produced
// one and two steps earlier, and the strip's first row reads them from `row`.
template <typename Sample, int R, bool Squared>
void dtw_strip(const Sample *x, const Sample *y, const BandRows &rows,
               uint64_t first_row, typename DtwCellRule<Sample>::Cell *row) noexcept {
    using Rule = DtwCellRule<Sample>;
    using Cell = typename Rule::Cell;
    constexpr Cell inf = Rule::infinity;

    std::array<Sample, R> xs;
    std::array<uint64_t, R> lo, hi;
    for (int r = 0; r < R; ++r) {
        xs[r] = x[first_row + r - 1];
        lo[r] = rows.lo(first_row + r);
        hi[r] = rows.hi(first_row + r);
    }
    // out1[r], out2[r]: what row r produced one and two steps ago. Before the
    // strip's first step every row stands left of its band, at infinity.
    std::array<Cell, R> out1, out2;
    out1.fill(inf);
    out2.fill(inf);
    Cell diag0 = row[lo[0] - 1];

    // One step of the front with every bound checked, for the ragged edges.
    auto checked_step = [&](uint64_t t) {
        for (int r = R - 1; r >= 0; --r) {
            const uint64_t j = t - static_cast<uint64_t>(r);  // may wrap below 0; then j > hi
            Cell value = inf;
            const bool in_band = t >= static_cast<uint64_t>(r) && j >= lo[r] && j <= hi[r];
            Cell up, diag;
            if (r == 0) {
                up = in_band ? row[j] : inf;
                diag = diag0;
                diag0 = up;
            } else {
                up = out1[r - 1];
                diag = out2[r - 1];
            }
            if (in_band) {
                value = Rule::extend(best_of(diag, up, out1[r]), Rule::cost(xs[r], y[j - 1], Squared));
                if (r == R - 1)
                    row[j] = value;
            }
            out2[r] = out1[r];
            out1[r] = value;
        }
    };

    const uint64_t t_begin = lo[0];
    const uint64_t t_end = hi[R - 1] + (R - 1);  // inclusive
    // Every row of the strip is inside its band for t in [lo[R-1] + R - 1, hi[0]].
    const uint64_t fast_begin = std::max(t_begin, lo[R - 1] + (R - 1));
    const uint64_t fast_end = hi[0];
    uint64_t t = t_begin;
    for (; t <= t_end && t < fast_begin; ++t)
        checked_step(t);
    // The unchecked steps write each step's outputs over the ones of two
    // steps back (row r + 1 has read them by then), so the two arrays trade
    // roles from step to step instead of being copied.
    auto fast_step = [&](std::array<Cell, R> &last, std::array<Cell, R> &before_last, uint64_t step) {
        for (int r = R - 1; r >= 1; --r) {
            const uint64_t j = step - static_cast<uint64_t>(r);
            const Cell value = Rule::extend(best_of(before_last[r - 1], last[r - 1], last[r]),
                                            Rule::cost(xs[r], y[j - 1], Squared));
            if (r == R - 1)
                row[j] = value;
            before_last[r] = value;
        }
        const Cell up = row[step];
        const Cell value = Rule::extend(best_of(diag0, up, last[0]), Rule::cost(xs[0], y[step - 1], Squared));
        diag0 = up;
        if constexpr (R == 1)
            row[step] = value;
        before_last[0] = value;
    };
    for (; t + 1 <= fast_end; t += 2) {
        fast_step(out1, out2, t);
        fast_step(out2, out1, t + 1);
    }
    if (t <= fast_end) {
        fast_step(out1, out2, t);
        std::swap(out1, out2);
        ++t;
    }
    for (; t <= t_end; ++t)
        checked_step(t);
    // The next row reads from column lo - 1 of this strip's last row on; the
    // cell left of its band (column 0 included) must read as infinity.
    row[lo[R - 1] - 1] = inf;
}

template <typename Sample, bool Squared>
double dtw_rows(const Sample *x, uint64_t n, const Sample *y, uint64_t m, uint64_t band) {
    using Rule = DtwCellRule<Sample>;
    using Cell = typename Rule::Cell;
    constexpr int strip = 4;
    // |n - m| > band: some row's band is empty and the end cell unreachable.
    if (n > m + band || m > n + band)
        return Rule::to_double(Rule::infinity);
    std::vector<Cell> row(m + 1, Rule::infinity);
    row[0] = Cell{0};
    const BandRows rows{band, m};
    InterruptPoll poll;
    uint64_t i = 1;
    for (; i + strip - 1 <= n; i += strip) {
        dtw_strip<Sample, strip, Squared>(x, y, rows, i, row.data());
        poll.advance(strip * (rows.hi(i) - rows.lo(i) + 1));
    }
    for (; i <= n; ++i)
        dtw_strip<Sample, 1, Squared>(x, y, rows, i, row.data());
    return Rule::to_double(row[m]);
}

}  // namespace detail

// The DTW distance of x_1..x_n and y_1..y_m as a double: +inf when either is
// empty or the band leaves the end cell unreachable. `radius` is read only
// when `has_band` is set; a radius of at least max(n, m) is no band.
template <typename Sample>
double dtw_kernel(const Sample *query, uint64_t n, const Sample *target, uint64_t m, int32_t cost_kind,
                  uint64_t radius, bool has_band) {
    if (n == 0 || m == 0)
        return std::numeric_limits<double>::infinity();
    uint64_t band = std::max(n, m);
    if (has_band && radius < band)
        band = radius;
    if (cost_kind == DTW_L2_SQUARED)
        return detail::dtw_rows<Sample, true>(query, n, target, m, band);
    return detail::dtw_rows<Sample, false>(query, n, target, m, band);
}

}  // namespace veltrocamber::dtw
