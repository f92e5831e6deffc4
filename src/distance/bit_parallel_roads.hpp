// The roads of a bit-parallel edit distance whose query is the pattern
// (optimal string alignment and Indel share them): the byte path, a byte
// query whose masks were built once for a batch, and the token path.
//
// A Recurrence is a struct with
//   static constexpr size_t SCRATCH_PER_BLOCK;   // column-state words per query word
//   static uint64_t one_word(mask_of, lq, target, lt);            // lq 1 to 64
//   static uint64_t blocked(masks_of, zero_row, lq, target, lt, scratch);  // lq > 64
// both called with non-empty sides; mask_of(symbol) gives a query mask word,
// masks_of(symbol) points at ceil(lq / 64) of them, zero_row at as many zero
// words, scratch at SCRATCH_PER_BLOCK words per query word.
//
// Every road first answers an empty side with the other side's length; the
// byte and token roads also drop the pair's common prefix and suffix, which
// never change these distances.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "distance/affix_trim.hpp"
#include "distance/byte_pattern_rows.hpp"
#include "distance/prepared_levenshtein_score.hpp"
#include "distance/token_pattern_masks.hpp"
#include "distance/word_arithmetic.hpp"

namespace veltrocamber::distance {

// A query of 1 to 64 bytes against a non-empty target; the 256 masks live
// in this frame.
template <typename Recurrence>
uint64_t bit_parallel_one_word_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    std::array<uint64_t, 256> table{};
    for (size_t i = 0; i < lq; ++i)
        table[query[i]] |= uint64_t{1} << i;
    return Recurrence::one_word([&table](uint8_t c) { return table[c]; }, lq, target, lt);
}

// The one-word form on its own, for a query of at most 64 bytes: an empty
// side gives the other side's length.
template <typename Recurrence>
uint64_t bit_parallel_single_word(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    return bit_parallel_one_word_bytes<Recurrence>(query, lq, target, lt);
}

// A query longer than 64 bytes against a non-empty target.
template <typename Recurrence>
uint64_t bit_parallel_blocked_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    BytePatternRows masks(query, lq, Recurrence::SCRATCH_PER_BLOCK * block_count(lq));
    return Recurrence::blocked([&masks](uint8_t c) { return masks.masks_of(c); }, masks.zero_row(), lq, target, lt,
                               masks.extra());
}

// Bytes (and 8-bit tokens).
template <typename Recurrence>
uint64_t bit_parallel_bytes(const uint8_t *query_in, size_t lq_in, const uint8_t *target_in, size_t lt_in) {
    const auto [query, lq, target, lt] = trim_common_affixes(query_in, lq_in, target_in, lt_in);
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    if (lq <= WORD_BITS)
        return bit_parallel_one_word_bytes<Recurrence>(query, lq, target, lt);
    return bit_parallel_blocked_bytes<Recurrence>(query, lq, target, lt);
}

// A byte query whose masks were built once, against one byte target.
// `work` keeps its size between calls; its first blocks words stay zero
// (the zero row), the scratch follows.
template <typename Recurrence>
uint64_t bit_parallel_prepared(const levenshtein::PreparedLevenshteinScoreU8 &p, const uint8_t *target, size_t lt,
                               std::vector<uint64_t> &work) {
    const size_t lq = p.query_size;
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    const uint64_t *masks = p.masks.data();
    if (p.single_word)
        return Recurrence::one_word([masks](uint8_t c) { return masks[c]; }, lq, target, lt);
    const size_t blocks = p.blocks;
    if (work.size() < (1 + Recurrence::SCRATCH_PER_BLOCK) * blocks)
        work.assign((1 + Recurrence::SCRATCH_PER_BLOCK) * blocks, 0);
    return Recurrence::blocked([masks, blocks](uint8_t c) { return masks + c * blocks; }, work.data(), lq, target,
                               lt, work.data() + blocks);
}

// The diagonal entries of a token width table. `Tokens` is a contiguous
// sequence of one token type (a vector, or a span over str storage). A
// target token the query does not hold has all-zero masks.
template <typename Recurrence, typename Tokens>
uint64_t bit_parallel_tokens(const Tokens &query, const Tokens &target) {
    using Token = std::remove_cv_t<typename Tokens::value_type>;
    if constexpr (sizeof(Token) == 1) {
        return bit_parallel_bytes<Recurrence>(query.data(), query.size(), target.data(), target.size());
    } else {
        const auto [q, lq, t, lt] = trim_common_affixes(query.data(), query.size(), target.data(), target.size());
        if (lq == 0)
            return lt;
        if (lt == 0)
            return lq;
        if (lq <= WORD_BITS) {
            const SmallTokenPatternMasks<Token> small(q, lq);
            return Recurrence::one_word([&small](Token s) { return small.mask_of(s); }, lq, t, lt);
        }
        const TokenPatternMasks<Token> masks(q, lq);
        std::vector<uint64_t> work((1 + Recurrence::SCRATCH_PER_BLOCK) * masks.blocks(), 0);
        return Recurrence::blocked([&masks](Token s) { return masks.masks_of(s); }, work.data(), lq, t, lt,
                                   work.data() + masks.blocks());
    }
}

}  // namespace veltrocamber::distance
