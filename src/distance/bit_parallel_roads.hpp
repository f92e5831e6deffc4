// The roads of a bit-parallel edit distance whose query is the pattern
// (Levenshtein, optimal string alignment and Indel share them): the byte
// path, a byte query whose masks were built once, the token path, and the
// plain one-word and blocked forms that those are made of.
//
// A Recurrence is a small struct (Levenshtein's holds its cutoff) with
//   static constexpr size_t SCRATCH_PER_BLOCK;  // column-state words per query word
//   static constexpr bool READS_ZERO_ROW;       // whether blocked() reads zero_row
//   static constexpr bool TRIMS_PREPARED;       // whether the prepared road drops common affixes
//   uint64_t clamp(uint64_t d) const;           // a distance found without the columns
//   uint64_t one_word(mask_of, lq, target, lt, poll) const;                     // lq 1 to 64
//   uint64_t blocked(masks_of, zero_row, lq, target, lt, scratch, poll) const;  // lq > 64
// one_word and blocked are called with non-empty sides; mask_of(symbol)
// gives a query mask word, masks_of(symbol) points at ceil(lq / 64) of them,
// zero_row at as many zero words (the masks before the first column),
// scratch at SCRATCH_PER_BLOCK words per query word; they count their
// columns in `poll`, the call's InterruptPoll (polled_runs.hpp), which every
// road passes on.
//
// Every road first answers an empty side with the other side's length. The
// byte and token roads, and the prepared road where the recurrence asks for
// it, then drop the pair's common prefix and suffix, which never change
// these distances; when that leaves an empty side, the answer is the other
// side's rest, through clamp(). (Indel, whose columns cost less than the
// scans do on a batch of short unrelated targets, skips them there.)
//
// Only bits at or below the last query position matter to these
// recurrences: every operation moves information from low bits to high ones
// (additions carry upward, shifts go left), so whatever a mask holds above
// that bit cannot change the distance. The prepared road relies on this
// when it shifts a one-word query's stored masks past a common prefix.
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
#include "module/interrupt_poll.hpp"

namespace veltrocamber::distance {

// A query of 1 to 64 bytes against a non-empty target; the 256 masks live
// in this frame.
template <typename Recurrence>
uint64_t bit_parallel_one_word_bytes(const Recurrence &recurrence, const uint8_t *query, size_t lq,
                                     const uint8_t *target, size_t lt, InterruptPoll &poll) {
    std::array<uint64_t, 256> table{};
    for (size_t i = 0; i < lq; ++i)
        table[query[i]] |= uint64_t{1} << i;
    return recurrence.one_word([&table](uint8_t c) { return table[c]; }, lq, target, lt, poll);
}

// The one-word form on its own, for a query of at most 64 bytes: an empty
// side gives the other side's length.
template <typename Recurrence>
uint64_t bit_parallel_single_word(const Recurrence &recurrence, const uint8_t *query, size_t lq,
                                  const uint8_t *target, size_t lt, InterruptPoll &poll) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    return bit_parallel_one_word_bytes(recurrence, query, lq, target, lt, poll);
}

// A query of `Blocks` words against a non-empty target, its masks in a
// table of all 256 byte values in this frame, with a zero row after them
// and the scratch after that. For a short query, zeroing the whole table
// costs less than finding the query's distinct bytes first, which takes a
// branch per position that fails at every new byte (on 200-byte pairs the
// masks took about 400 ns that way, about 200 ns this way).
template <size_t Blocks, typename Recurrence>
uint64_t bit_parallel_small_blocked_bytes(const Recurrence &recurrence, const uint8_t *query, size_t lq,
                                          const uint8_t *target, size_t lt, InterruptPoll &poll) {
    constexpr size_t ZERO_ROW = 256 * Blocks;
    std::array<uint64_t, ZERO_ROW + (1 + Recurrence::SCRATCH_PER_BLOCK) * Blocks> words{};
    for (size_t i = 0; i < lq; ++i)
        words[query[i] * Blocks + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
    const uint64_t *rows = words.data();
    return recurrence.blocked([rows](uint8_t c) { return rows + c * Blocks; }, rows + ZERO_ROW, lq, target, lt,
                              words.data() + ZERO_ROW + Blocks, poll);
}

// A query longer than 64 bytes against a non-empty target.
template <typename Recurrence>
uint64_t bit_parallel_blocked_bytes(const Recurrence &recurrence, const uint8_t *query, size_t lq,
                                    const uint8_t *target, size_t lt, InterruptPoll &poll) {
    switch (block_count(lq)) {
        case 2: return bit_parallel_small_blocked_bytes<2>(recurrence, query, lq, target, lt, poll);
        case 3: return bit_parallel_small_blocked_bytes<3>(recurrence, query, lq, target, lt, poll);
        case 4: return bit_parallel_small_blocked_bytes<4>(recurrence, query, lq, target, lt, poll);
        default: break;
    }
    BytePatternRows masks(query, lq, Recurrence::SCRATCH_PER_BLOCK * block_count(lq));
    return recurrence.blocked([&masks](uint8_t c) { return masks.masks_of(c); }, masks.zero_row(), lq, target, lt,
                              masks.extra(), poll);
}

// A query of 16-, 32- or 64-bit tokens, longer than 64 (any non-empty
// length for a recurrence whose blocked form also runs one word), against a
// non-empty target. A target token the query does not hold has all-zero
// masks.
template <typename Recurrence, typename Token>
uint64_t bit_parallel_blocked_tokens(const Recurrence &recurrence, const Token *query, size_t lq,
                                     const Token *target, size_t lt, InterruptPoll &poll) {
    const TokenPatternMasks<Token> masks(query, lq, poll);
    std::vector<uint64_t> scratch(Recurrence::SCRATCH_PER_BLOCK * masks.blocks());
    return on_token_masks(masks, [&](auto &&masks_of, const uint64_t *zero_row) {
        return recurrence.blocked(masks_of, zero_row, lq, target, lt, scratch.data(), poll);
    });
}

// rest(trimmed) on what is left of a pair between its common prefix and
// suffix (see trim_common_affixes for `whole_words`), when both sides keep
// something.
template <typename Recurrence, typename Symbol, typename Rest>
uint64_t on_trimmed_pair(const Recurrence &recurrence, const Symbol *query, size_t lq, const Symbol *target,
                         size_t lt, bool whole_words, Rest &&rest) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    TrimmedPair<Symbol> trimmed{query, lq, target, lt};
    // Unrelated texts mostly differ at both ends, and then there is nothing
    // to trim: a batch of short targets would otherwise pay the scans'
    // set-up on every one of them.
    if (query[0] == target[0] || query[lq - 1] == target[lt - 1]) {
        trimmed = trim_common_affixes(query, lq, target, lt, whole_words);
        if (trimmed.lq == 0 || trimmed.lt == 0)
            return recurrence.clamp(trimmed.lq + trimmed.lt);
    }
    return rest(trimmed);
}

// Bytes (and 8-bit tokens).
template <typename Recurrence>
uint64_t bit_parallel_bytes(const Recurrence &recurrence, const uint8_t *query, size_t lq, const uint8_t *target,
                            size_t lt, InterruptPoll &poll) {
    const auto rest = [&recurrence, &poll](const TrimmedPair<uint8_t> &r) -> uint64_t {
        if (r.lq <= WORD_BITS)
            return bit_parallel_one_word_bytes(recurrence, r.query, r.lq, r.target, r.lt, poll);
        return bit_parallel_blocked_bytes(recurrence, r.query, r.lq, r.target, r.lt, poll);
    };
    return on_trimmed_pair(recurrence, query, lq, target, lt, false, rest);
}

// A byte query whose masks were built once, against one byte target. The
// stored masks serve what is left after the common affixes: a one-word
// query's are shifted past the prefix, a longer query drops its prefix in
// whole words (the masks of a later word need no shifting) and runs one
// word when what is left fits in one. `work` keeps its size between calls;
// the zero row, when the recurrence reads one, is its first words, and the
// scratch follows.
template <typename Recurrence>
uint64_t bit_parallel_prepared(const Recurrence &recurrence, const levenshtein::PreparedLevenshteinScoreU8 &p,
                               const uint8_t *target, size_t lt, std::vector<uint64_t> &work,
                               InterruptPoll &poll) {
    const uint8_t *query = p.query.data();
    const uint64_t *masks = p.masks.data();
    const auto rest = [&](const TrimmedPair<uint8_t> &r) -> uint64_t {
        const size_t prefix = static_cast<size_t>(r.query - query);
        if (p.single_word) {
            // Most targets share no prefix with the query; they read the
            // masks as stored, without a shift per column.
            if (prefix == 0)
                return recurrence.one_word([masks](uint8_t c) { return masks[c]; }, r.lq, r.target, r.lt, poll);
            return recurrence.one_word([masks, prefix](uint8_t c) { return masks[c] >> prefix; }, r.lq, r.target,
                                       r.lt, poll);
        }
        const size_t stride = p.blocks;
        const uint64_t *first = masks + prefix / WORD_BITS;
        if (r.lq <= WORD_BITS)
            return recurrence.one_word([first, stride](uint8_t c) { return first[c * stride]; }, r.lq, r.target,
                                       r.lt, poll);
        const size_t zero_words = Recurrence::READS_ZERO_ROW ? stride : 0;
        const size_t words = zero_words + Recurrence::SCRATCH_PER_BLOCK * stride;
        if (work.size() < words)
            work.assign(words, 0);
        return recurrence.blocked([first, stride](uint8_t c) { return first + c * stride; }, work.data(), r.lq,
                                  r.target, r.lt, work.data() + zero_words, poll);
    };
    if constexpr (Recurrence::TRIMS_PREPARED) {
        return on_trimmed_pair(recurrence, query, p.query_size, target, lt, !p.single_word, rest);
    } else {
        if (p.query_size == 0)
            return lt;
        if (lt == 0)
            return p.query_size;
        return rest(TrimmedPair<uint8_t>{query, p.query_size, target, lt});
    }
}

// The diagonal entries of a token width table. `Tokens` is a contiguous
// sequence of one token type (a vector, or a span over str storage).
template <typename Recurrence, typename Tokens>
uint64_t bit_parallel_tokens(const Recurrence &recurrence, const Tokens &query, const Tokens &target,
                             InterruptPoll &poll) {
    using Token = std::remove_cv_t<typename Tokens::value_type>;
    if constexpr (sizeof(Token) == 1) {
        return bit_parallel_bytes(recurrence, query.data(), query.size(), target.data(), target.size(), poll);
    } else {
        const auto rest = [&recurrence, &poll](const TrimmedPair<Token> &r) -> uint64_t {
            if (r.lq <= WORD_BITS) {
                const SmallTokenPatternMasks<Token> small(r.query, r.lq);
                return recurrence.one_word([&small](Token s) { return small.mask_of(s); }, r.lq, r.target, r.lt,
                                           poll);
            }
            return bit_parallel_blocked_tokens(recurrence, r.query, r.lq, r.target, r.lt, poll);
        };
        return on_trimmed_pair(recurrence, query.data(), query.size(), target.data(), target.size(), false, rest);
    }
}

}  // namespace veltrocamber::distance
