// Jaro similarity kernels and the common prefix that the Jaro-Winkler boost
// reads.
//
// Matching: a query symbol and a target symbol match when they are equal,
// both still unmatched, and their positions lie at most w apart, where
// w = max(lq, lt) / 2 - 1 (0 when the longer side has one symbol). Each side
// takes the lowest-positioned candidate, so the scan from the query side
// (scalar kernel) and the scan from the target side (bit-parallel kernel)
// find the same matches. Transpositions: t = floor(c / 2), c counting the
// steps at which the matched symbols, walked in position order on both
// sides, differ. The similarity is ((m / lq + m / lt) + (m - t) / m) / 3, in
// exactly this order of float64 operations (every result must be
// reproducible to the last bit; the build keeps contraction off).
//
// Kernels: the bit-parallel target scan for pairs of at most 64 symbols a
// side; for longer pairs the query scan over bit masks of the target
// positions. The plain scalar query scan gives the same values; it stays as
// the form the others are checked against. The scan of a long pair counts
// the words it looks at in the call's InterruptPoll (polled_runs.hpp).
//
// No Python here: the kernels take raw symbol pointers and lengths.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "distance/affix_trim.hpp"
#include "distance/byte_pattern_rows.hpp"
#include "distance/polled_runs.hpp"
#include "distance/prepared_levenshtein_score.hpp"
#include "distance/token_pattern_masks.hpp"
#include "distance/word_arithmetic.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::jaro {

// The match window, in signed arithmetic so that k - w may go below zero.
inline int64_t match_window(size_t lq, size_t lt) noexcept {
    const int64_t longer = static_cast<int64_t>(std::max(lq, lt));
    return std::max<int64_t>(longer / 2 - 1, 0);
}

inline double jaro_from_counts(uint64_t m, uint64_t t, size_t lq, size_t lt) noexcept {
    const double md = static_cast<double>(m);
    return ((md / static_cast<double>(lq) + md / static_cast<double>(lt)) + static_cast<double>(m - t) / md) / 3.0;
}

// Both sides 1 to 64 symbols, `mask_of(symbol)` the query's pattern mask of
// a symbol (bit k set when query position k holds it). The target is
// scanned; each target symbol takes the lowest unmatched query position of
// an equal symbol inside its window.
template <typename Symbol, typename MaskOf>
double jaro_bit_parallel_columns(MaskOf &&mask_of, const Symbol *query, size_t lq, const Symbol *target,
                                 size_t lt) noexcept {
    // The window of target position j, as query bits: max(0, j - w) up to
    // j + w inclusive. It starts as the low w + 1 bits (w < 32 when both
    // sides fit in a word), grows by one bit at the top while j < w, and
    // from then on slides up by one per position. Bits at or above lq never
    // match: the masks have none there.
    const uint64_t w = static_cast<uint64_t>(match_window(lq, lt));
    uint64_t window = (uint64_t{1} << (w + 1)) - 1;
    uint64_t query_matched = 0;
    uint64_t target_matched = 0;
    for (size_t j = 0; j < lt; ++j) {
        const uint64_t g = mask_of(target[j]) & ~query_matched & window;
        query_matched |= g & (uint64_t{0} - g);
        target_matched |= static_cast<uint64_t>(g != 0) << j;
        window = j < w ? (window << 1) | 1 : window << 1;
    }
    const uint64_t m = static_cast<uint64_t>(std::popcount(query_matched));
    if (m == 0)
        return 0.0;
    uint64_t c = 0;
    uint64_t qs = query_matched;
    uint64_t ts = target_matched;
    while (qs != 0) {
        const int k = std::countr_zero(qs);
        const int l = std::countr_zero(ts);
        c += query[k] != target[l] ? 1 : 0;
        qs &= qs - 1;
        ts &= ts - 1;
    }
    return jaro_from_counts(m, c / 2, lq, lt);
}

// Both sides at most 64 bytes; the pattern table lives in this frame.
inline double jaro_bit_parallel(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    if (lq == 0 && lt == 0)
        return 1.0;
    if (lq == 0 || lt == 0)
        return 0.0;
    std::array<uint64_t, 256> table{};
    for (size_t k = 0; k < lq; ++k)
        table[query[k]] |= uint64_t{1} << k;
    return jaro_bit_parallel_columns([&table](uint8_t c) { return table[c]; }, query, lq, target, lt);
}

// Any lengths, symbols of any width. The query is scanned; each query symbol
// takes the lowest unmatched target position of an equal symbol inside its
// window. One flag byte per position on each side.
template <typename Symbol>
double jaro_scalar(const Symbol *query, size_t lq, const Symbol *target, size_t lt) {
    if (lq == 0 && lt == 0)
        return 1.0;
    if (lq == 0 || lt == 0)
        return 0.0;
    const int64_t w = match_window(lq, lt);
    const int64_t n = static_cast<int64_t>(lt);
    std::vector<uint8_t> flags(lq + lt, 0);
    uint8_t *query_flags = flags.data();
    uint8_t *target_flags = query_flags + lq;
    uint64_t m = 0;
    for (size_t k = 0; k < lq; ++k) {
        const int64_t kk = static_cast<int64_t>(k);
        const int64_t lo = std::max<int64_t>(0, kk - w);
        const int64_t hi = std::min<int64_t>(n, kk + w + 1);
        const Symbol s = query[k];
        for (int64_t l = lo; l < hi; ++l) {
            if (target_flags[l] == 0 && target[l] == s) {
                target_flags[l] = 1;
                query_flags[k] = 1;
                ++m;
                break;
            }
        }
    }
    if (m == 0)
        return 0.0;
    uint64_t c = 0;
    size_t l = 0;
    for (size_t k = 0; k < lq; ++k) {
        if (query_flags[k] == 0)
            continue;
        while (target_flags[l] == 0)
            ++l;
        c += query[k] != target[l] ? 1 : 0;
        ++l;
    }
    return jaro_from_counts(m, c / 2, lq, lt);
}

// The scan of `jaro_scalar` with the target held as bit masks, for long
// pairs: each query symbol finds the lowest unmatched equal target position
// of its window by looking at the window's words, so the cost is
// lq x (2w / 64 + 2) word operations instead of lq x (2w + 1) comparisons.
// The matches, and so the value, are those of the scalar scan.
// `masks_of(symbol)` points at the B = ceil(lt / 64) words of the target
// positions holding the symbol (all zero for a symbol the target lacks), of
// which a search reads those of its window (masks_in);
// `work` is B + ceil(lq / 64) words of zeroed scratch. Both sides non-empty.
//
// How far a position's search goes depends on the matches before it (on a
// long random pair it grows with the position), so a run of positions ends
// once it has looked at RUN_WORDS words, and the poll counts those.
template <typename Symbol, typename MasksOf>
double jaro_blocked_scan(MasksOf &&masks_of, const Symbol *query, size_t lq, const Symbol *target, size_t lt,
                         uint64_t *work, InterruptPoll &poll) {
    const int64_t w = match_window(lq, lt);
    const int64_t n = static_cast<int64_t>(lt);
    uint64_t *target_matched = work;
    uint64_t *query_matched = work + distance::block_count(lt);
    uint64_t m = 0;
    // The search of query position k: records its match, if any, and gives
    // the words it looked at (one more than that when none matched).
    const auto search = [&](size_t k) -> uint64_t {
        const int64_t kk = static_cast<int64_t>(k);
        const int64_t lo = std::max<int64_t>(0, kk - w);
        const int64_t hi = std::min<int64_t>(n, kk + w + 1);
        if (lo >= hi)
            return 0;
        const size_t first = static_cast<size_t>(lo) / distance::WORD_BITS;
        const size_t last = static_cast<size_t>(hi - 1) / distance::WORD_BITS;
        const uint64_t *pm = distance::masks_in(masks_of, query[k], first, last);
        size_t word = first;
        for (; word <= last; ++word) {
            uint64_t g = pm[word] & ~target_matched[word];
            if (word == first)
                g &= ~uint64_t{0} << (static_cast<size_t>(lo) % distance::WORD_BITS);
            if (word == last) {
                const size_t top = static_cast<size_t>(hi - 1) % distance::WORD_BITS;
                g &= distance::low_bits(top + 1);
            }
            if (g != 0) {
                target_matched[word] |= g & (uint64_t{0} - g);
                query_matched[k / distance::WORD_BITS] |= uint64_t{1} << (k % distance::WORD_BITS);
                ++m;
                break;
            }
        }
        return word - first + 1;
    };
    // A window of 2w + 1 positions spans at most (2w + 1) / 64 + 2 words,
    // and a search gives one more. A pair that cannot reach RUN_WORDS is one
    // run, counted up front at that bound, and its searches do not count
    // their words: that count and its test, in the loop of every position,
    // cost a 200-letter pair of 16-bit tokens about 7%.
    const uint64_t most_per_search = static_cast<uint64_t>(2 * w + 1) / distance::WORD_BITS + 3;
    if (lq <= distance::RUN_WORDS / most_per_search) {
        poll.advance(static_cast<uint64_t>(lq) * most_per_search * distance::WORD_BITS);
        for (size_t k = 0; k < lq; ++k)
            search(k);
    } else {
        for (size_t k = 0; k < lq;) {
            uint64_t words_seen = 0;
            for (; k < lq && words_seen < distance::RUN_WORDS; ++k)
                words_seen += search(k);
            poll.advance(words_seen * distance::WORD_BITS);
        }
    }
    if (m == 0)
        return 0.0;
    uint64_t c = 0;
    size_t tw = 0;
    uint64_t ts = target_matched[0];
    const size_t query_words = distance::block_count(lq);
    for (size_t qw = 0; qw < query_words; ++qw) {
        for (uint64_t qs = query_matched[qw]; qs != 0; qs &= qs - 1) {
            while (ts == 0)
                ts = target_matched[++tw];
            const size_t k = qw * distance::WORD_BITS + static_cast<size_t>(std::countr_zero(qs));
            const size_t l = tw * distance::WORD_BITS + static_cast<size_t>(std::countr_zero(ts));
            c += query[k] != target[l] ? 1 : 0;
            ts &= ts - 1;
        }
    }
    return jaro_from_counts(m, c / 2, lq, lt);
}

// Bytes of any lengths, both sides non-empty: the target's position masks,
// followed by the scratch.
inline double jaro_blocked(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                           InterruptPoll &poll) {
    distance::BytePatternRows masks(target, lt, distance::block_count(lt) + distance::block_count(lq));
    return jaro_blocked_scan([&masks](uint8_t c) { return masks.masks_of(c); }, query, lq, target, lt,
                             masks.extra(), poll);
}

// The byte path's choice.
inline double jaro_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt, InterruptPoll &poll) {
    if (lq <= distance::WORD_BITS && lt <= distance::WORD_BITS)
        return jaro_bit_parallel(query, lq, target, lt);
    if (lq == 0 || lt == 0)
        return 0.0;
    return jaro_blocked(query, lq, target, lt, poll);
}

// A byte query whose masks were built once (for the targets of a batch)
// against one byte target: the bit-parallel scan with the stored masks
// when both sides fit in a word, else the same choice as jaro_bytes.
inline double jaro_prepared(const levenshtein::PreparedLevenshteinScoreU8 &p, const uint8_t *target, size_t lt,
                           InterruptPoll &poll) {
    const size_t lq = p.query_size;
    if (p.single_word && lt >= 1 && lt <= distance::WORD_BITS)
        return jaro_bit_parallel_columns([masks = p.masks.data()](uint8_t c) { return masks[c]; }, p.query.data(),
                                         lq, target, lt);
    return jaro_bytes(p.query.data(), lq, target, lt, poll);
}

// Tokens wider than a byte, a side longer than 64: the position masks of the
// target, by token. Kept out of line, so that the short pairs' road in
// jaro_tokens stays as small as it is fast.
template <typename Token>
[[gnu::noinline]] double jaro_blocked_tokens(const Token *query, size_t lq, const Token *target, size_t lt,
                                             InterruptPoll &poll) {
    const distance::TokenPatternMasks<Token> masks(target, lt, poll);
    std::vector<uint64_t> work(masks.blocks() + distance::block_count(lq), 0);
    return distance::on_token_masks(masks, [&](auto &&masks_of, const uint64_t *) {
        return jaro_blocked_scan(masks_of, query, lq, target, lt, work.data(), poll);
    });
}

// The diagonal entries of the Jaro token width table. `Tokens` is a
// contiguous sequence of one token type (a vector, or a span over str
// storage).
template <typename Tokens>
double jaro_tokens(const Tokens &query, const Tokens &target, InterruptPoll &poll) {
    using Token = std::remove_cv_t<typename Tokens::value_type>;
    const size_t lq = query.size();
    const size_t lt = target.size();
    if constexpr (sizeof(Token) == 1) {
        return jaro_bytes(query.data(), lq, target.data(), lt, poll);
    } else {
        if (lq == 0 || lt == 0)
            return lq == lt ? 1.0 : 0.0;
        if (lq <= distance::WORD_BITS && lt <= distance::WORD_BITS) {
            const distance::SmallTokenPatternMasks<Token> masks(query.data(), lq);
            return jaro_bit_parallel_columns([&masks](Token s) { return masks.mask_of(s); }, query.data(), lq,
                                             target.data(), lt);
        }
        return jaro_blocked_tokens(query.data(), lq, target.data(), lt, poll);
    }
}

// Equal leading symbols, counting at most min(lq, lt, cap).
template <typename Symbol>
uint64_t common_prefix(const Symbol *query, size_t lq, const Symbol *target, size_t lt, uint64_t cap) noexcept {
    return distance::common_prefix_length(query, static_cast<size_t>(std::min<uint64_t>(lq, cap)), target, lt);
}

// The diagonal entries of the prefix token width table.
template <typename Tokens>
uint64_t common_prefix_tokens(uint64_t cap, const Tokens &query, const Tokens &target) {
    return common_prefix(query.data(), query.size(), target.data(), target.size(), cap);
}

// Jaro-Winkler settings, as the Python keywords give them.
struct WinklerBoost {
    double prefix_weight = 0.1;
    double prefix_threshold = 0.7;
    uint64_t prefix_cap = 4;

    // The boost applies unless the threshold lies above j (a NaN threshold
    // never does).
    bool applies(double j) const noexcept { return !(prefix_threshold > j); }

    // (L * weight) * (1 - j) + j with the last step as one fused
    // multiply-add; nothing else is fused.
    double boosted(double j, uint64_t prefix) const noexcept {
        const double scale = static_cast<double>(prefix) * prefix_weight;
        return std::fma(scale, 1.0 - j, j);
    }
};

}  // namespace veltrocamber::jaro
