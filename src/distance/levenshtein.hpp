// Levenshtein distance kernels: the bit-parallel column recurrence over a
// query held as one bit per position in 64-bit words, the target streamed one
// symbol per column.
//
// Conventions shared by every kernel here:
// - The distance is tracked from the bit of the last query position; it
//   starts at the query length and moves by at most one per column.
// - A cutoff c makes a kernel stop as soon as the remaining columns cannot
//   bring the distance down to c; the answer is then min(distance, c + 1).
//   NO_CUTOFF (all bits set) means there is none, and then no early stop is
//   ever taken (the test would wrap around and fire on a correct path).
// - An empty side answers the other side's length, unclamped.
// - Only bits at or below the last query position matter: every operation of
//   the recurrence moves information from low bits to high ones (additions
//   carry upward, shifts go left), so whatever a mask holds above that bit
//   cannot change the distance. The prepared query relies on this when it
//   shifts its stored masks past a common prefix.
//
// No Python here: the kernels take raw symbol pointers and lengths.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace veltrocamber::levenshtein {

inline constexpr uint64_t NO_CUTOFF = ~uint64_t{0};

// Queries of up to this many symbols fit in one word.
inline constexpr size_t WORD_BITS = 64;

inline size_t block_count(size_t lq) noexcept { return (lq + WORD_BITS - 1) / WORD_BITS; }

// The distance never exceeds the longer length, so a cutoff at or above it
// cannot clamp anything and is dropped. This also keeps cutoff + remaining
// columns far from wrapping in the early-stop test.
inline uint64_t effective_cutoff(uint64_t cutoff, size_t lq, size_t lt) noexcept {
    return cutoff >= std::max<uint64_t>(lq, lt) ? NO_CUTOFF : cutoff;
}

// min(d, cutoff + 1), for distances found without running the recurrence.
inline uint64_t clamp_to_cutoff(uint64_t d, uint64_t cutoff) noexcept {
    return cutoff != NO_CUTOFF && d > cutoff ? cutoff + 1 : d;
}

namespace detail {

// One column over a one-word query. Returns +1, -1 or 0, the change of the
// distance at the last query position.
inline int64_t single_word_step(uint64_t pm, uint64_t &vp, uint64_t &vn, uint64_t last_bit) noexcept {
    const uint64_t x = pm | vn;
    const uint64_t d0 = (((x & vp) + vp) ^ vp) | x;
    uint64_t hp = vn | ~(d0 | vp);
    uint64_t hn = d0 & vp;
    const int64_t delta = (hp & last_bit) ? 1 : ((hn & last_bit) ? -1 : 0);
    hp = (hp << 1) | 1;
    hn = hn << 1;
    vp = hn | ~(d0 | hp);
    vn = hp & d0;
    return delta;
}

// One column over a query of `blocks` words: the one-word step on a long
// integer, with the carry of the addition and the shifted-out top bits of HP
// and HN passed from each word to the next. HP enters the first word with a 1
// (the top row grows by one per column).
inline int64_t blocked_step(const uint64_t *pm, uint64_t *vp, uint64_t *vn, size_t blocks,
                            uint64_t last_bit) noexcept {
    uint64_t add_carry = 0;
    uint64_t hp_carry = 1;
    uint64_t hn_carry = 0;
    uint64_t hp = 0;
    uint64_t hn = 0;
    for (size_t k = 0; k < blocks; ++k) {
        const uint64_t x = pm[k] | vn[k];
        const uint64_t v = vp[k];
        const uint64_t u = v & x;
        const uint64_t partial = v + u;
        const uint64_t sum = partial + add_carry;
        add_carry = static_cast<uint64_t>(partial < u) | static_cast<uint64_t>(sum < partial);
        const uint64_t d0 = (sum ^ v) | x;
        hp = vn[k] | ~(d0 | v);
        hn = d0 & v;
        const uint64_t hps = (hp << 1) | hp_carry;
        const uint64_t hns = (hn << 1) | hn_carry;
        hp_carry = hp >> 63;
        hn_carry = hn >> 63;
        vp[k] = hns | ~(d0 | hps);
        vn[k] = d0 & hps;
    }
    return (hp & last_bit) ? 1 : ((hn & last_bit) ? -1 : 0);
}

}  // namespace detail

// The recurrence over a one-word query of lq (1 to 64) symbols against a
// non-empty target. `mask_of(symbol)` gives the query's pattern mask of a
// target symbol.
template <typename Symbol, typename MaskOf>
uint64_t single_word_columns(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt, uint64_t cutoff) {
    uint64_t vp = lq == WORD_BITS ? ~uint64_t{0} : (uint64_t{1} << lq) - 1;
    uint64_t vn = 0;
    const uint64_t last_bit = uint64_t{1} << (lq - 1);
    uint64_t d = lq;
    if (cutoff == NO_CUTOFF) {
        for (size_t j = 0; j < lt; ++j)
            d += static_cast<uint64_t>(detail::single_word_step(mask_of(target[j]), vp, vn, last_bit));
        return d;
    }
    // After column j the distance can still fall by lt - 1 - j.
    uint64_t limit = cutoff + lt;
    for (size_t j = 0; j < lt; ++j) {
        d += static_cast<uint64_t>(detail::single_word_step(mask_of(target[j]), vp, vn, last_bit));
        --limit;
        if (d > limit)
            return cutoff + 1;
    }
    return d;
}

// The recurrence over a query of lq > 0 symbols in `blocks` words against a
// non-empty target. `masks_of(symbol)` points at the symbol's `blocks` mask
// words; vp and vn are the caller's scratch of `blocks` words each.
template <typename Symbol, typename MasksOf>
uint64_t blocked_columns(MasksOf &&masks_of, size_t lq, const Symbol *target, size_t lt, uint64_t cutoff,
                         uint64_t *vp, uint64_t *vn) {
    const size_t blocks = block_count(lq);
    const size_t in_last = lq - WORD_BITS * (blocks - 1);
    std::fill(vp, vp + blocks, ~uint64_t{0});
    if (in_last < WORD_BITS)
        vp[blocks - 1] = (uint64_t{1} << in_last) - 1;
    std::fill(vn, vn + blocks, uint64_t{0});
    const uint64_t last_bit = uint64_t{1} << (in_last - 1);
    uint64_t d = lq;
    if (cutoff == NO_CUTOFF) {
        for (size_t j = 0; j < lt; ++j)
            d += static_cast<uint64_t>(detail::blocked_step(masks_of(target[j]), vp, vn, blocks, last_bit));
        return d;
    }
    uint64_t limit = cutoff + lt;
    for (size_t j = 0; j < lt; ++j) {
        d += static_cast<uint64_t>(detail::blocked_step(masks_of(target[j]), vp, vn, blocks, last_bit));
        --limit;
        if (d > limit)
            return cutoff + 1;
    }
    return d;
}

// ---------------------------------------------------------------------------
// Byte strings
// ---------------------------------------------------------------------------

// Query of at most 64 bytes; the pattern table lives in this frame.
inline uint64_t levenshtein_single_word(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                                        uint64_t cutoff) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    cutoff = effective_cutoff(cutoff, lq, lt);
    std::array<uint64_t, 256> table{};
    for (size_t i = 0; i < lq; ++i)
        table[query[i]] |= uint64_t{1} << i;
    return single_word_columns([&table](uint8_t c) { return table[c]; }, lq, target, lt, cutoff);
}

// Byte strings of any length; queries of up to 64 bytes go to the one-word
// kernel.
inline uint64_t levenshtein_blocked(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                                    uint64_t cutoff) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    if (lq <= WORD_BITS)
        return levenshtein_single_word(query, lq, target, lt, cutoff);
    cutoff = effective_cutoff(cutoff, lq, lt);
    const size_t blocks = block_count(lq);
    // One allocation: the 256 x blocks pattern table, then VP and VN.
    std::vector<uint64_t> words((256 + 2) * blocks, 0);
    uint64_t *table = words.data();
    for (size_t i = 0; i < lq; ++i)
        table[query[i] * blocks + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
    return blocked_columns([table, blocks](uint8_t c) { return table + c * blocks; }, lq, target, lt, cutoff,
                           table + 256 * blocks, table + 257 * blocks);
}

// ---------------------------------------------------------------------------
// Token vectors
// ---------------------------------------------------------------------------

// Pattern masks of a query of 16-, 32- or 64-bit tokens: an open-addressing
// hash map from token to a row of `blocks` mask words. Row 0 is all zeros and
// answers every token the query does not hold.
template <typename Token>
class TokenPatternMasks {
public:
    TokenPatternMasks(const Token *query, size_t lq) : blocks_(block_count(lq)) {
        size_t capacity = 16;
        while (capacity < 2 * lq)
            capacity *= 2;
        mask_ = capacity - 1;
        keys_.assign(capacity, Token{});
        rows_.assign(capacity, 0);
        masks_.assign(blocks_, 0);
        for (size_t i = 0; i < lq; ++i) {
            const size_t row = find_or_insert(query[i]);
            masks_[row * blocks_ + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
        }
    }

    size_t blocks() const noexcept { return blocks_; }

    const uint64_t *masks_of(Token token) const noexcept { return masks_.data() + find(token) * blocks_; }
    uint64_t mask_of(Token token) const noexcept { return masks_[find(token) * blocks_]; }

private:
    static size_t hash(Token token) noexcept {
        // Fibonacci hashing: the high bits of the product mix every key bit.
        return static_cast<size_t>((static_cast<uint64_t>(token) * 0x9E3779B97F4A7C15ull) >> 32);
    }

    size_t find(Token token) const noexcept {
        for (size_t slot = hash(token) & mask_;; slot = (slot + 1) & mask_) {
            const uint32_t row = rows_[slot];
            if (row == 0 || keys_[slot] == token)
                return row;
        }
    }

    size_t find_or_insert(Token token) {
        for (size_t slot = hash(token) & mask_;; slot = (slot + 1) & mask_) {
            if (rows_[slot] == 0) {
                keys_[slot] = token;
                rows_[slot] = static_cast<uint32_t>(masks_.size() / blocks_);
                masks_.resize(masks_.size() + blocks_, 0);
                return rows_[slot];
            }
            if (keys_[slot] == token)
                return rows_[slot];
        }
    }

    size_t blocks_;
    size_t mask_ = 0;
    std::vector<Token> keys_;
    std::vector<uint32_t> rows_;  // 0 marks an empty slot
    std::vector<uint64_t> masks_;
};

// The token members. 8-bit tokens are bytes and run the byte member; wider
// tokens take their masks from the hash map and always run the blocked form
// (one word for short queries).
template <typename Token>
uint64_t levenshtein_blocked(uint64_t cutoff, const std::vector<Token> &query, const std::vector<Token> &target) {
    const size_t lq = query.size();
    const size_t lt = target.size();
    if constexpr (sizeof(Token) == 1) {
        return levenshtein_blocked(query.data(), lq, target.data(), lt, cutoff);
    } else {
        if (lq == 0)
            return lt;
        if (lt == 0)
            return lq;
        cutoff = effective_cutoff(cutoff, lq, lt);
        const TokenPatternMasks<Token> masks(query.data(), lq);
        std::vector<uint64_t> columns(2 * masks.blocks());
        return blocked_columns([&masks](Token t) { return masks.masks_of(t); }, lq, target.data(), lt, cutoff,
                               columns.data(), columns.data() + masks.blocks());
    }
}

// ---------------------------------------------------------------------------
// Common prefix and suffix
// ---------------------------------------------------------------------------

// Equal leading and trailing symbols never change the distance, so the
// entry points drop them before running a kernel.
template <typename Symbol>
size_t common_prefix_length(const Symbol *a, size_t la, const Symbol *b, size_t lb) noexcept {
    const size_t n = std::min(la, lb);
    size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

template <typename Symbol>
size_t common_suffix_length(const Symbol *a, size_t la, const Symbol *b, size_t lb) noexcept {
    const size_t n = std::min(la, lb);
    size_t i = 0;
    while (i < n && a[la - 1 - i] == b[lb - 1 - i])
        ++i;
    return i;
}

// Runs kernel(query, lq, target, lt, cutoff) on what is left of a pair of
// non-empty sides after their common prefix and suffix, with the result of
// the whole pair: exact up to the cutoff, cutoff + 1 above it.
template <typename Symbol, typename Kernel>
uint64_t without_common_affixes(const Symbol *query, size_t lq, const Symbol *target, size_t lt, uint64_t cutoff,
                                Kernel &&kernel) {
    const size_t prefix = common_prefix_length(query, lq, target, lt);
    query += prefix;
    target += prefix;
    lq -= prefix;
    lt -= prefix;
    const size_t suffix = common_suffix_length(query, lq, target, lt);
    lq -= suffix;
    lt -= suffix;
    if (lq == 0 || lt == 0)
        return clamp_to_cutoff(lq + lt, cutoff);
    return kernel(query, lq, target, lt, cutoff);
}

// The byte path of the entry points.
inline uint64_t levenshtein_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                                  uint64_t cutoff) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    return without_common_affixes(query, lq, target, lt, cutoff,
                                  [](const uint8_t *q, size_t a, const uint8_t *t, size_t b, uint64_t c) {
                                      return levenshtein_blocked(q, a, t, b, c);
                                  });
}

// The token path of the entry points: the token member on what is left
// after the common prefix and suffix.
template <typename Token>
uint64_t levenshtein_tokens(uint64_t cutoff, const std::vector<Token> &query, const std::vector<Token> &target) {
    const size_t lq = query.size();
    const size_t lt = target.size();
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    if constexpr (sizeof(Token) == 1) {
        return levenshtein_bytes(query.data(), lq, target.data(), lt, cutoff);
    } else {
        return without_common_affixes(
            query.data(), lq, target.data(), lt, cutoff,
            [](const Token *q, size_t a, const Token *t, size_t b, uint64_t c) -> uint64_t {
                c = effective_cutoff(c, a, b);
                const TokenPatternMasks<Token> masks(q, a);
                if (a <= WORD_BITS)
                    return single_word_columns([&masks](Token s) { return masks.mask_of(s); }, a, t, b, c);
                std::vector<uint64_t> columns(2 * masks.blocks());
                return blocked_columns([&masks](Token s) { return masks.masks_of(s); }, a, t, b, c,
                                       columns.data(), columns.data() + masks.blocks());
            });
    }
}

// ---------------------------------------------------------------------------
// Prepared byte query
// ---------------------------------------------------------------------------

// A byte query whose pattern masks are built once and reused for many
// targets. Fields, in order:
// - query: a copy of the query bytes;
// - query_size: their number;
// - blocks: mask words per byte value (1 up to 64 bytes, 0 when empty);
// - single_word: the query has 1 to 64 bytes;
// - masks: 256 x blocks words, entry (v, k) at v * blocks + k, bit i of
//   block k set when query byte 64k + i equals v; empty for an empty query;
// - last_bit: the last query position's bit in the last block when the
//   query is longer than 64 bytes, else 0.
struct PreparedLevenshteinScoreU8 {
    std::vector<uint8_t> query;
    uint64_t query_size = 0;
    uint64_t blocks = 0;
    bool single_word = false;
    std::vector<uint64_t> masks;
    uint64_t last_bit = 0;
};

inline PreparedLevenshteinScoreU8 prepare_levenshtein_query(const uint8_t *query, size_t lq) {
    PreparedLevenshteinScoreU8 p;
    p.query.assign(query, query + lq);
    p.query_size = lq;
    if (lq == 0)
        return p;
    p.single_word = lq <= WORD_BITS;
    p.blocks = block_count(lq);
    p.masks.assign(256 * p.blocks, 0);
    for (size_t i = 0; i < lq; ++i)
        p.masks[query[i] * p.blocks + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
    if (!p.single_word)
        p.last_bit = uint64_t{1} << ((lq - 1) % WORD_BITS);
    return p;
}

// The distance of a prepared query to a byte target. Common affixes are
// dropped as elsewhere: for a one-word query the stored masks are shifted
// past the prefix; for a blocked one the prefix is dropped in whole words
// (the masks of a later word need no shifting). `columns` is scratch for VP
// and VN, grown when a blocked query needs it.
inline uint64_t prepared_levenshtein_distance(const PreparedLevenshteinScoreU8 &p, const uint8_t *target, size_t lt,
                                              uint64_t cutoff, std::vector<uint64_t> &columns) {
    const size_t lq = p.query_size;
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    const uint8_t *query = p.query.data();
    size_t prefix = common_prefix_length(query, lq, target, lt);
    if (!p.single_word)
        prefix -= prefix % WORD_BITS;
    const size_t suffix = common_suffix_length(query + prefix, lq - prefix, target + prefix, lt - prefix);
    const size_t a = lq - prefix - suffix;
    const size_t b = lt - prefix - suffix;
    if (a == 0 || b == 0)
        return clamp_to_cutoff(a + b, cutoff);
    cutoff = effective_cutoff(cutoff, a, b);
    const uint8_t *t = target + prefix;
    const uint64_t *masks = p.masks.data();
    if (p.single_word)
        return single_word_columns([masks, prefix](uint8_t c) { return masks[c] >> prefix; }, a, t, b, cutoff);
    const size_t first_block = prefix / WORD_BITS;
    const size_t stride = p.blocks;
    const size_t blocks = block_count(a);
    if (blocks == 1)
        return single_word_columns([masks, stride, first_block](uint8_t c) { return masks[c * stride + first_block]; },
                                   a, t, b, cutoff);
    if (columns.size() < 2 * blocks)
        columns.resize(2 * blocks);
    return blocked_columns([masks, stride, first_block](uint8_t c) { return masks + c * stride + first_block; }, a,
                           t, b, cutoff, columns.data(), columns.data() + blocks);
}

}  // namespace veltrocamber::levenshtein
