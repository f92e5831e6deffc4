// Unrestricted Damerau-Levenshtein distance: insertions, deletions,
// substitutions and transpositions of adjacent symbols, a transposed pair
// being open to further edits (Lowrance-Wagner).
//
// The common prefix and suffix of a pair are dropped first (they never
// change the distance); a and b below are the lengths of what is left. The
// table has (a + 2) x (b + 2) cells of 64 bits. Row r and column c (both
// >= 1) hold the distance between the first r - 1 query symbols and the
// first c - 1 target symbols; row 0 and column 0 are sentinels holding
// a + b, which no transposition term read through them can beat. The whole
// table is kept for the call, so its size goes through the memory guard
// before anything is allocated: a table that cannot be held raises
// MemoryRefusal (MemoryError in Python) instead of letting the filling drive
// the process into the out-of-memory killer. The filling counts its rows in
// the call's InterruptPoll.
//
// The last-row map (for each symbol, the last query row that held it) is an
// array indexed by symbol: the byte value itself, or for wider tokens a dense
// number given to each distinct symbol of the pair before the table runs, so
// the inner loop never hashes.
//
// No Python here.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "distance/affix_trim.hpp"
#include "module/interrupt_poll.hpp"
#include "module/memory_guard.hpp"

namespace veltrocamber::true_damerau_levenshtein {

// The cell count of the table for lengths a and b (both far below 2^64,
// being lengths of sequences in memory); a table that cannot be held raises
// MemoryRefusal.
inline uint64_t guarded_table_cells(uint64_t a, uint64_t b) {
    return guarded_block_bytes("a distance table", a + 2, b + 2, sizeof(uint64_t)) / sizeof(uint64_t);
}

namespace detail {

// Both sides non-empty; symbols are indices into `last_row`, which starts
// all zero and has room for every symbol of either side.
template <typename Symbol>
uint64_t lowrance_wagner(const Symbol *q, size_t a, const Symbol *t, size_t b, uint64_t *last_row,
                         InterruptPoll &poll) {
    const uint64_t cells = guarded_table_cells(a, b);
    const size_t cols = b + 2;
    // Every cell is written before it is read (the recurrence reads only
    // earlier rows and the sentinels), so the table is not zero-filled.
    const std::unique_ptr<uint64_t[]> table = std::make_unique_for_overwrite<uint64_t[]>(cells);
    uint64_t *d = table.get();
    const uint64_t maxdist = uint64_t{a} + uint64_t{b};
    for (size_t c = 0; c < cols; ++c) {
        d[c] = maxdist;
        d[cols + c] = c == 0 ? maxdist : c - 1;
    }
    for (size_t r = 2; r < a + 2; ++r) {
        d[r * cols] = maxdist;
        d[r * cols + 1] = r - 1;
    }
    for (size_t i = 1; i <= a; ++i) {
        poll.advance(b);
        const Symbol qi = q[i - 1];
        const uint64_t *above = d + i * cols;
        uint64_t *row = d + (i + 1) * cols;
        size_t db = 0;
        for (size_t j = 1; j <= b; ++j) {
            const Symbol tj = t[j - 1];
            const size_t k = last_row[tj];
            const size_t l = db;
            const uint64_t cost = qi == tj ? 0 : 1;
            // k < i and l < j, so the gaps i - k - 1 and j - l - 1 are never
            // negative.
            const uint64_t transpose = d[k * cols + l] + (i - k - 1) + 1 + (j - l - 1);
            row[j + 1] = std::min({above[j] + cost, row[j] + 1, above[j + 1] + 1, transpose});
            if (cost == 0)
                db = j;
        }
        last_row[qi] = i;
    }
    return d[(a + 1) * cols + b + 1];
}

}  // namespace detail

// On what is left of the pair after its common prefix and suffix.
inline uint64_t true_damerau_levenshtein_bytes(const uint8_t *query_in, size_t a_in, const uint8_t *target_in,
                                               size_t b_in, InterruptPoll &poll) {
    const auto [query, a, target, b] = distance::trim_common_affixes(query_in, a_in, target_in, b_in);
    if (a == 0)
        return b;
    if (b == 0)
        return a;
    std::array<uint64_t, 256> last_row{};
    return detail::lowrance_wagner(query, a, target, b, last_row.data(), poll);
}

// The diagonal entries of the token width table. `Tokens` is a contiguous
// sequence of one token type (a vector, or a span over str storage).
template <typename Tokens>
uint64_t true_damerau_levenshtein_tokens(const Tokens &query, const Tokens &target, InterruptPoll &poll) {
    using Token = std::remove_cv_t<typename Tokens::value_type>;
    if constexpr (sizeof(Token) == 1) {
        return true_damerau_levenshtein_bytes(query.data(), query.size(), target.data(), target.size(), poll);
    } else {
        const auto [q, a, t, b] = distance::trim_common_affixes(query.data(), query.size(), target.data(),
                                                                target.size());
        if (a == 0)
            return b;
        if (b == 0)
            return a;
        guarded_table_cells(a, b);
        // Dense symbol numbers over both sides; equality is preserved, which
        // is all the recurrence looks at.
        std::unordered_map<Token, uint32_t> numbers;
        numbers.reserve(std::min<size_t>(a + b, 1u << 16));
        std::vector<uint32_t> symbols(a + b);
        for (size_t i = 0; i < a + b; ++i) {
            const Token s = i < a ? q[i] : t[i - a];
            symbols[i] = numbers.try_emplace(s, static_cast<uint32_t>(numbers.size())).first->second;
        }
        std::vector<uint64_t> last_row(numbers.size(), 0);
        return detail::lowrance_wagner(symbols.data(), a, symbols.data() + a, b, last_row.data(), poll);
    }
}

}  // namespace veltrocamber::true_damerau_levenshtein
