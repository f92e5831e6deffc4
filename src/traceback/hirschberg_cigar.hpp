// Divide-and-conquer global linear-gap alignment: the operations of one
// optimal alignment of two stretches of symbol codes in memory linear in the
// target length. The query is halved; the forward score row of the upper
// half and the reverse score row of the lower half meet at the target column
// through which an optimal alignment passes (the lowest among equal sums),
// and both halves recurse. Small rectangles (at most 4096 cells) are solved
// by a full matrix with the ties of the full-matrix kernels: diagonal, then
// up, then left.
//
// A one-token query is solved by the full matrix too, whatever the target
// length (a 2 x (tlen + 1) code matrix): halving it leaves the same problem
// in the lower half, and an optimal alignment that hangs a long insertion on
// one query token reaches such a span on ordinary inputs.
//
// Every score row and every small rectangle of one call is counted in the
// call's one poll: most of the rows sit in pieces far smaller than the
// cells between two checks, which a poll per piece would never check.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "module/interrupt_poll.hpp"
#include "traceback/linear_path.hpp"
#include "traceback/traceback_codes.hpp"
#include "traceback/traceback_matrix.hpp"

namespace veltrocamber::profile_traceback {

// A view of codes [begin, end) of `data`, read backwards when reversed:
// logical token k is data[begin + k], or data[end - 1 - k].
struct TokenSpan {
    const uint8_t *data;
    uint64_t begin;
    uint64_t end;
    bool reversed;

    size_t size() const noexcept { return end - begin; }
    uint8_t operator[](size_t k) const noexcept { return reversed ? data[end - 1 - k] : data[begin + k]; }
    TokenSpan flipped() const noexcept { return {data, begin, end, !reversed}; }
    // Logical tokens [a, b), in the same direction.
    TokenSpan sub(size_t a, size_t b) const noexcept {
        return reversed ? TokenSpan{data, end - b, end - a, true} : TokenSpan{data, begin + a, begin + b, false};
    }
    // The logical tokens, contiguous, for the inner loops.
    std::vector<uint8_t> tokens() const {
        std::vector<uint8_t> out(data + begin, data + end);
        if (reversed)
            std::reverse(out.begin(), out.end());
        return out;
    }
};

// Row i of the global linear recurrence from row i - 1 (`up`): row[0] =
// up[0] + gap, then each cell the best of diagonal, up and left, in the cell
// type. Diagonal and up come first, in a pass whose columns do not depend on
// each other (the compiler vectorizes it); the left candidates follow in one
// running pass.
template <typename T>
inline void global_linear_row(const T *up, T *row, uint8_t symbol, const uint8_t *target, size_t tlen, T match,
                              T mismatch, T gap) noexcept {
    for (size_t j = 1; j <= tlen; ++j) {
        const T diag = wrap_add(up[j - 1], symbol == target[j - 1] ? match : mismatch);
        const T vertical = wrap_add(up[j], gap);
        row[j] = diag >= vertical ? diag : vertical;
    }
    T left = wrap_add(up[0], gap);
    row[0] = left;
    for (size_t j = 1; j <= tlen; ++j) {
        const T from_left = wrap_add(left, gap);
        left = row[j] >= from_left ? row[j] : from_left;
        row[j] = left;
    }
}

// Row 0 of the global linear recurrence: gap x j.
template <typename T>
void global_linear_border(std::vector<T> &row, size_t tlen, T gap) {
    row.resize(tlen + 1);
    row[0] = 0;
    for (size_t j = 1; j <= tlen; ++j)
        row[j] = wrap_add(row[j - 1], gap);
}

// H[qlen][0..tlen] of the global linear recurrence over the two spans.
template <typename T>
void needleman_wunsch_last_row(const TokenSpan &query, const TokenSpan &target, T match, T mismatch, T gap,
                               std::vector<T> &row, InterruptPoll &poll) {
    const std::vector<uint8_t> columns = target.tokens();
    const size_t qlen = query.size(), tlen = columns.size();
    global_linear_border(row, tlen, gap);
    std::vector<T> scratch(tlen + 1);
    for (size_t i = 0; i < qlen; ++i) {
        poll.advance(tlen);
        global_linear_row(row.data(), scratch.data(), query[i], columns.data(), tlen, match, mismatch, gap);
        row.swap(scratch);
    }
}

// The base case: the full-matrix global linear traceback of the two spans,
// its operations in forward order.
template <typename T>
std::string linear_block_cigar(const TokenSpan &query, const TokenSpan &target, T match, T mismatch, T gap,
                               InterruptPoll &poll) {
    const std::vector<uint8_t> q = query.tokens(), t = target.tokens();
    TracebackMatrix matrix(q.size(), t.size());
    fill_linear<false>(matrix, q.data(), q.size(), t.data(), t.size(), match, mismatch, gap, poll);
    std::string letters;
    letters.reserve(q.size() + t.size());
    size_t row = q.size(), column = t.size();
    walk_linear(matrix, q.data(), t.data(), row, column, [&letters](char letter) { letters.push_back(letter); });
    std::reverse(letters.begin(), letters.end());
    return letters;
}

inline constexpr uint64_t HIRSCHBERG_BLOCK_CELLS = 4096;

// Appends the operations of an optimal global alignment of the two spans.
template <typename T>
void hirschberg_cigar(const TokenSpan &query, const TokenSpan &target, T match, T mismatch, T gap,
                      std::string &operations, InterruptPoll &poll) {
    const size_t qlen = query.size(), tlen = target.size();
    if (qlen == 0) {
        operations.append(tlen, 'I');
        return;
    }
    if (tlen == 0) {
        operations.append(qlen, 'D');
        return;
    }
    if (qlen == 1 || static_cast<uint64_t>(qlen) * tlen <= HIRSCHBERG_BLOCK_CELLS) {
        operations += linear_block_cigar(query, target, match, mismatch, gap, poll);
        return;
    }
    const size_t half = qlen >> 1;
    const TokenSpan upper = query.sub(0, half), lower = query.sub(half, qlen);
    size_t split = 0;
    {
        // The rows are freed before the recursion: each level holds none.
        std::vector<T> forward, reverse;
        needleman_wunsch_last_row(upper, target, match, mismatch, gap, forward, poll);
        needleman_wunsch_last_row(lower.flipped(), target.flipped(), match, mismatch, gap, reverse, poll);
        T best = wrap_add(forward[0], reverse[tlen]);
        for (size_t j = 1; j <= tlen; ++j) {
            const T sum = wrap_add(forward[j], reverse[tlen - j]);
            if (sum > best) {
                best = sum;
                split = j;
            }
        }
    }
    hirschberg_cigar(upper, target.sub(0, split), match, mismatch, gap, operations, poll);
    hirschberg_cigar(lower, target.sub(split, tlen), match, mismatch, gap, operations, poll);
}

inline constexpr auto needleman_wunsch_last_row_i8 = &needleman_wunsch_last_row<int8_t>;
inline constexpr auto needleman_wunsch_last_row_i16 = &needleman_wunsch_last_row<int16_t>;
inline constexpr auto needleman_wunsch_last_row_i32 = &needleman_wunsch_last_row<int32_t>;
inline constexpr auto needleman_wunsch_last_row_i64 = &needleman_wunsch_last_row<int64_t>;
inline constexpr auto linear_block_cigar_i8 = &linear_block_cigar<int8_t>;
inline constexpr auto linear_block_cigar_i16 = &linear_block_cigar<int16_t>;
inline constexpr auto linear_block_cigar_i32 = &linear_block_cigar<int32_t>;
inline constexpr auto linear_block_cigar_i64 = &linear_block_cigar<int64_t>;
inline constexpr auto hirschberg_cigar_i8 = &hirschberg_cigar<int8_t>;
inline constexpr auto hirschberg_cigar_i16 = &hirschberg_cigar<int16_t>;
inline constexpr auto hirschberg_cigar_i32 = &hirschberg_cigar<int32_t>;
inline constexpr auto hirschberg_cigar_i64 = &hirschberg_cigar<int64_t>;

}  // namespace veltrocamber::profile_traceback
