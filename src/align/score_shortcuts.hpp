// Closed-form linear-gap scores for degenerate scorings.
//
// Before a linear-gap local or global score runs a kernel, its caller asks a
// shortcut whether the score follows from the lengths alone, from a plain
// comparison of the two sequences, from whether they share a symbol, or from
// their longest common subsequence. The answer is (score, handled); a handled
// score equals what the full dynamic programme gives, and an unhandled one is
// meaningless. Scoring values arrive sign-extended to 64 bits and every
// product and sum is taken in signed 64-bit arithmetic; the kernel-width rule
// bounds them by the largest value times (lq + lt), so none overflows.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace veltrocamber::align {

struct ShortcutAnswer {
    int64_t score;
    bool handled;
};

inline constexpr ShortcutAnswer not_handled{0, false};

// Local score when match and mismatch are both m: the best of the
// alignments that use k = min(lq, lt) columns, one column, or only gaps
// (a path from the boundary meets at most lq + lt - 1 gap symbols).
inline int64_t uniform_local_score(uint64_t lq, uint64_t lt, int64_t m, int64_t g) noexcept {
    if (lq == 0 || lt == 0)
        return 0;
    const int64_t s = static_cast<int64_t>(lq + lt);
    const int64_t k = static_cast<int64_t>(std::min(lq, lt));
    if (m <= 0)
        return g > 0 ? g * (s - 1) : 0;
    if (g <= 0)
        return m * k;
    if (m >= 2 * g)
        return m * k + g * (s - 2 * k);
    return std::max(m + g * (s - 2), g * (s - 1));
}

// True when no byte value occurs in both sequences. The shorter side marks
// its values; the longer side is scanned until a marked value turns up.
inline bool bytes_disjoint(const uint8_t *a, size_t la, const uint8_t *b, size_t lb) noexcept {
    if (la > lb) {
        std::swap(a, b);
        std::swap(la, lb);
    }
    bool present[256] = {};
    for (size_t i = 0; i < la; ++i)
        present[a[i]] = true;
    for (size_t i = 0; i < lb; ++i)
        if (present[b[i]])
            return false;
    return true;
}

// The same test for wider tokens, decided only when every token is below
// 256: a larger token makes the answer false (the caller then runs its
// kernel), so the table stays 256 flags.
template <typename Token>
bool tokens_disjoint(const Token *a, size_t la, const Token *b, size_t lb) noexcept {
    if (la > lb) {
        std::swap(a, b);
        std::swap(la, lb);
    }
    bool present[256] = {};
    for (size_t i = 0; i < la; ++i) {
        if (a[i] > 255)
            return false;
        present[a[i]] = true;
    }
    for (size_t i = 0; i < lb; ++i) {
        if (b[i] > 255 || present[b[i]])
            return false;
    }
    return true;
}

template <typename Token>
inline bool symbols_disjoint(const Token *a, size_t la, const Token *b, size_t lb) noexcept {
    if constexpr (sizeof(Token) == 1)
        return bytes_disjoint(a, la, b, lb);
    else
        return tokens_disjoint(a, la, b, lb);
}

namespace shortcut_detail {

// One step of the bit-vector LCS row over the B words of S, with M the
// occurrence vector of the current symbol of b (null for an absent symbol).
inline void lcs_row_step(uint64_t *S, const uint64_t *M, size_t B) noexcept {
    uint64_t shift_in = 1;
    uint64_t borrow = 0;
    for (size_t k = 0; k < B; ++k) {
        const uint64_t s = S[k];
        const uint64_t x = s | (M != nullptr ? M[k] : 0);
        const uint64_t y = (s << 1) | shift_in;
        shift_in = s >> 63;
        const uint64_t diff = x - y;
        const uint64_t next_borrow = (y > x || diff < borrow) ? 1 : 0;
        S[k] = x & ~(diff - borrow);
        borrow = next_borrow;
    }
}

inline uint64_t popcount_words(const std::vector<uint64_t> &S) noexcept {
    uint64_t n = 0;
    for (uint64_t w : S)
        n += static_cast<uint64_t>(std::popcount(w));
    return n;
}

}  // namespace shortcut_detail

// Length of the longest common subsequence, by the bit-vector recurrence
// S' = X & ~(X - ((S << 1) | 1)), X = S | M, over ceil(la / 64) words.
// Byte symbols index a direct table of occurrence vectors; wider symbols a
// hash map.
template <typename Token>
uint64_t lcs_length_bit_parallel(const Token *a, size_t la, const Token *b, size_t lb) {
    if (la == 0 || lb == 0)
        return 0;
    const size_t B = (la + 63) / 64;
    std::vector<uint64_t> S(B, 0);
    if constexpr (sizeof(Token) == 1) {
        std::array<int32_t, 256> slot;
        slot.fill(-1);
        std::vector<uint64_t> vectors;
        for (size_t i = 0; i < la; ++i) {
            int32_t &s = slot[a[i]];
            if (s < 0) {
                s = static_cast<int32_t>(vectors.size() / B);
                vectors.resize(vectors.size() + B, 0);
            }
            vectors[static_cast<size_t>(s) * B + i / 64] |= uint64_t(1) << (i % 64);
        }
        for (size_t j = 0; j < lb; ++j) {
            const int32_t s = slot[b[j]];
            shortcut_detail::lcs_row_step(S.data(), s < 0 ? nullptr : vectors.data() + static_cast<size_t>(s) * B,
                                          B);
        }
    } else {
        std::unordered_map<Token, std::vector<uint64_t>> vectors;
        vectors.reserve(std::min<size_t>(la, 256));
        for (size_t i = 0; i < la; ++i) {
            auto [it, inserted] = vectors.try_emplace(a[i]);
            if (inserted)
                it->second.assign(B, 0);
            it->second[i / 64] |= uint64_t(1) << (i % 64);
        }
        for (size_t j = 0; j < lb; ++j) {
            const auto it = vectors.find(b[j]);
            shortcut_detail::lcs_row_step(S.data(), it == vectors.end() ? nullptr : it->second.data(), B);
        }
    }
    return shortcut_detail::popcount_words(S);
}

template <typename Token>
inline bool sequences_equal(const Token *a, size_t la, const Token *b, size_t lb) noexcept {
    return la == lb && (la == 0 || std::memcmp(a, b, la * sizeof(Token)) == 0);
}

// Smith-Waterman shortcut; the tests run in this order and the first that
// applies decides. Token is the token type of a preprocessed pair (8 to 64
// bits) or the 8-bit symbol code of a Farrar channel, which behaves exactly
// like the 8-bit tokens.
template <typename Token>
ShortcutAnswer local_score_shortcut(const Token *q, size_t lq, const Token *t, size_t lt, int64_t m, int64_t x,
                                    int64_t g) {
    if (lq == 0 || lt == 0)
        return {0, true};
    if (m > 0) {
        if (m == x)
            return {uniform_local_score(lq, lt, m, g), true};
        if (m > x && g > 0)
            return not_handled;
        if (m > x && sequences_equal(q, lq, t, lt))
            return {m * static_cast<int64_t>(lq), true};
        if (g == 0) {
            if (x <= 0)
                return {m * static_cast<int64_t>(lcs_length_bit_parallel(q, lq, t, lt)), true};
            return not_handled;
        }
        if (x <= 0 && g < 0 && symbols_disjoint(q, lq, t, lt))
            return {0, true};
        return not_handled;
    }
    if (x > 0)
        return not_handled;
    if (g <= 0)
        return {0, true};
    if (m == x)
        return {uniform_local_score(lq, lt, m, g), true};
    return not_handled;
}

// Needleman-Wunsch shortcut, same conventions.
template <typename Token>
ShortcutAnswer global_score_shortcut(const Token *q, size_t lq, const Token *t, size_t lt, int64_t m, int64_t x,
                                     int64_t g) {
    const int64_t total = static_cast<int64_t>(lq + lt);
    if (lq == 0 || lt == 0)
        return {g * total, true};
    if (m == x) {
        const int64_t k = static_cast<int64_t>(std::min(lq, lt));
        if (m < 2 * g)
            return {g * total, true};
        return {m * k + g * (total - 2 * k), true};
    }
    if (m < 0)
        return not_handled;
    if (m > x) {
        if (g > 0)
            return not_handled;
        if (sequences_equal(q, lq, t, lt))
            return {m * static_cast<int64_t>(lq), true};
    }
    if (g != 0 || m == 0 || x > 0)
        return not_handled;
    return {m * static_cast<int64_t>(lcs_length_bit_parallel(q, lq, t, lt)), true};
}

}  // namespace veltrocamber::align
