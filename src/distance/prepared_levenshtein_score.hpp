// The prepared byte query: the pattern masks of a byte query, built once
// and reused for many targets. Python holds it as _PreparedLevenshteinScore;
// within a batch whose query is byte-like, every bit-parallel metric keeps
// one for the batch's query (Levenshtein, optimal string alignment and
// Indel read its masks as their query masks, Jaro as the masks of the query
// positions it matches target symbols against).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "distance/word_arithmetic.hpp"

namespace veltrocamber::levenshtein {

// Fields, in order:
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
    using distance::WORD_BITS;
    PreparedLevenshteinScoreU8 p;
    p.query.assign(query, query + lq);
    p.query_size = lq;
    if (lq == 0)
        return p;
    p.single_word = lq <= WORD_BITS;
    p.blocks = distance::block_count(lq);
    p.masks.assign(256 * p.blocks, 0);
    for (size_t i = 0; i < lq; ++i)
        p.masks[query[i] * p.blocks + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
    if (!p.single_word)
        p.last_bit = uint64_t{1} << ((lq - 1) % WORD_BITS);
    return p;
}

}  // namespace veltrocamber::levenshtein
