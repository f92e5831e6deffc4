// Pattern masks of a sequence of 16-, 32- or 64-bit tokens: for each token
// it holds, the bits of the positions holding it, and all zeros for any
// other token. Too many token values for a direct table, so an
// open-addressing hash map finds a token's masks.
//
// A sequence of n tokens in B = ceil(n / 64) words has one of two layouts,
// whichever its alphabet makes small:
// - dense: a row of B words per distinct token, row 0 all zeros for a token
//   the sequence lacks. A kernel reads a token's row in place. Its size is
//   distinct x B words, fine for a small alphabet (a text in letters) and
//   quadratic in n when most tokens differ (word lists, ids, a long text in
//   a large script).
// - sparse: per distinct token only the words where it occurs, as (block,
//   word) entries in block order, n entries at most whatever the alphabet.
//   A kernel reads them through SparseMaskColumns, which lays a token's
//   entries out as a column of B words when the kernel asks for it.
// The dense layout is taken while it is at most DENSE_FACTOR times the
// entries of the sparse one (or below DENSE_FLOOR_WORDS), so the memory
// grows with n either way, never with distinct tokens x n.
//
// The build counts its work in the call's InterruptPoll and is sized before
// anything is allocated: a table that cannot be held is refused with the
// memory guard's MemoryRefusal.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>

#include "distance/word_arithmetic.hpp"
#include "module/interrupt_poll.hpp"
#include "module/memory_guard.hpp"

namespace veltrocamber::distance {

// Fibonacci hashing: the high bits of the product mix every key bit; the
// top `bits` of them pick a slot.
template <typename Token>
size_t fibonacci_slot(Token token, unsigned bits) noexcept {
    return static_cast<size_t>((static_cast<uint64_t>(token) * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// The dense layout while it is at most this many words per sparse entry,
// or at most this many words (1 MiB) whatever the entries: at most 64 bytes
// a token beyond that. The sparse columns write and clear a token's entries
// per column, and a windowed read first searches them, so on pairs of
// 20,000 tokens they ran 10-50% slower than dense rows at 7 words an entry,
// 0-30% at 16, and as fast or faster at 50 and beyond, where the dense rows
// outgrow the caches.
inline constexpr uint64_t DENSE_FACTOR = 8;
inline constexpr uint64_t DENSE_FLOOR_WORDS = uint64_t{1} << 17;

// The poll counts a token of a build as this many cells: a hash probe costs
// about as much as a few dozen word steps of a column. Counted per run of
// BUILD_RUN tokens.
inline constexpr uint64_t BUILD_CELLS_PER_TOKEN = 16 * WORD_BITS;
inline constexpr size_t BUILD_RUN = 4096;

// `step(i)` for every i in [0, n), in runs counted in `poll`.
template <typename Step>
void in_counted_runs(InterruptPoll &poll, size_t n, Step &&step) {
    for (size_t begin = 0; begin < n;) {
        const size_t end = n - begin > BUILD_RUN ? begin + BUILD_RUN : n;
        poll.advance(static_cast<uint64_t>(end - begin) * BUILD_CELLS_PER_TOKEN);
        for (size_t i = begin; i < end; ++i)
            step(i);
        begin = end;
    }
}

// a x b + c, or UINT64_MAX when that overflows.
inline uint64_t saturating_multiply_add(uint64_t a, uint64_t b, uint64_t c) noexcept {
    uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product) || __builtin_add_overflow(product, c, &product))
        return UINT64_MAX;
    return product;
}

template <typename Token>
class TokenPatternMasks {
    // Row numbers: 16- and 32-bit tokens come from str code points (at most
    // 0x10FFFF) or from numbered objects (at most 2^32 - 1 of them), so 32
    // bits hold every row; 64-bit tokens may number more.
    using Row = std::conditional_t<sizeof(Token) == 8, uint64_t, uint32_t>;

public:
    // `symbols` are n > 0 tokens.
    TokenPatternMasks(const Token *symbols, size_t n, InterruptPoll &poll) : blocks_(block_count(n)) {
        // Entries keep their block in 32 bits, below NO_BLOCK: 2^38 tokens,
        // terabytes of tables, is past any memory this runs in.
        if (blocks_ >= NO_BLOCK)
            throw std::bad_alloc();
        size_t capacity = 16;
        while (capacity < 2 * n)
            capacity *= 2;
        const uint64_t map_bytes = saturating_multiply_add(capacity, sizeof(Token) + sizeof(Row), 0);
        const uint64_t most_dense_words = saturating_multiply_add(n + 1, blocks_, 0);
        if (most_dense_words <= DENSE_FLOOR_WORDS)
            build_short(symbols, n, capacity, map_bytes + most_dense_words * sizeof(uint64_t), poll);
        else
            build_long(symbols, n, capacity, map_bytes, poll);
    }

    size_t blocks() const noexcept { return blocks_; }
    bool dense() const noexcept { return dense_; }

    // The dense layout: the token's row, and the zero row.
    const uint64_t *masks_of(Token token) const noexcept { return rows_words_.data() + find(token) * blocks_; }
    const uint64_t *zero_row() const noexcept { return rows_words_.data(); }

    // The sparse layout: the token's entries are [first, last) of
    // entry_blocks() and entry_words().
    struct EntryRange {
        size_t first;
        size_t last;
    };
    EntryRange entries_of(Token token) const noexcept {
        const size_t row = find(token);
        return {entry_start_[row], entry_start_[row + 1]};
    }
    const uint32_t *entry_blocks() const noexcept { return entry_block_.data(); }
    const uint64_t *entry_words() const noexcept { return entry_word_.data(); }

private:
    static constexpr uint32_t NO_BLOCK = UINT32_MAX;

    struct Found {
        Row row;
        bool inserted;
    };

    void allocate_map(size_t capacity) {
        mask_ = capacity - 1;
        keys_.assign(capacity, Token{});
        rows_.assign(capacity, 0);
    }

    // A sequence whose dense rows stay within DENSE_FLOOR_WORDS whatever its
    // alphabet (`bytes`, with the map, at most): one pass, each new token's
    // row added as it comes. The guard sees the pair's own size, so that a
    // short pair's stays below the size that the guard checks with system
    // calls.
    void build_short(const Token *symbols, size_t n, size_t capacity, uint64_t bytes, InterruptPoll &poll) {
        guard_pattern_masks(n, bytes);
        // At most a few thousand tokens: counted at once, and one plain loop.
        poll.advance(static_cast<uint64_t>(n) * BUILD_CELLS_PER_TOKEN);
        allocate_map(capacity);
        rows_words_.assign(blocks_, 0);  // the zero row
        for (size_t i = 0; i < n; ++i) {
            const Found found = find_or_insert(symbols[i]);
            if (found.inserted)
                rows_words_.resize(rows_words_.size() + blocks_, 0);
            rows_words_[found.row * blocks_ + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
        }
    }

    // Any other: a first pass numbers the rows and counts the entries of
    // each, which decide the layout; a second pass lays it out.
    void build_long(const Token *symbols, size_t n, size_t capacity, uint64_t map_bytes, InterruptPoll &poll) {
        // The map, per position its row, and per row its last block and its
        // entries (at most n rows).
        guard_pattern_masks(n, saturating_multiply_add(n, sizeof(Row) + 2 * sizeof(uint32_t), map_bytes));
        allocate_map(capacity);
        std::vector<Row> position_rows(n);
        // Per row: the block of its last entry (NO_BLOCK before the first),
        // and its number of entries (of blocks, so 32 bits hold it).
        std::vector<uint32_t> last_block(1, NO_BLOCK);
        std::vector<uint32_t> entries_per_row(1, 0);
        uint64_t entries = 0;
        in_counted_runs(poll, n, [&](size_t i) {
            const Found found = find_or_insert(symbols[i]);
            if (found.inserted) {
                last_block.push_back(NO_BLOCK);
                entries_per_row.push_back(0);
            }
            position_rows[i] = found.row;
            const auto block = static_cast<uint32_t>(i / WORD_BITS);
            if (last_block[found.row] != block) {
                last_block[found.row] = block;
                ++entries_per_row[found.row];
                ++entries;
            }
        });
        const uint64_t rows = entries_per_row.size();
        const uint64_t dense_words = saturating_multiply_add(rows, blocks_, 0);
        dense_ = dense_words <= DENSE_FLOOR_WORDS || dense_words / DENSE_FACTOR <= entries;
        if (dense_) {
            guard_pattern_masks(n, saturating_multiply_add(dense_words, sizeof(uint64_t), 0));
            rows_words_.assign(dense_words, 0);
            in_counted_runs(poll, n, [&](size_t i) {
                rows_words_[position_rows[i] * blocks_ + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
            });
            return;
        }
        // Entries, their starts, and the columns of SparseMaskColumns.
        guard_pattern_masks(n, saturating_multiply_add(entries, sizeof(uint32_t) + sizeof(uint64_t),
                                                       (rows + 1) * sizeof(size_t) +
                                                           3 * blocks_ * sizeof(uint64_t)));
        // While the entries are filled, entry_start_[row] is the row's next
        // entry; once they are, it is where the next row starts, and moving
        // every start one row up gives each row its own.
        entry_start_.assign(rows + 1, 0);
        for (size_t row = 1; row < rows; ++row)
            entry_start_[row] = entry_start_[row - 1] + entries_per_row[row - 1];
        entry_block_.resize(entries);
        entry_word_.resize(entries);
        std::fill(last_block.begin(), last_block.end(), NO_BLOCK);
        in_counted_runs(poll, n, [&](size_t i) {
            const Row row = position_rows[i];
            const auto block = static_cast<uint32_t>(i / WORD_BITS);
            const uint64_t bit = uint64_t{1} << (i % WORD_BITS);
            size_t &next = entry_start_[row];
            if (last_block[row] == block) {
                entry_word_[next - 1] |= bit;
            } else {
                last_block[row] = block;
                entry_block_[next] = block;
                entry_word_[next] = bit;
                ++next;
            }
        });
        for (size_t row = rows; row > 0; --row)
            entry_start_[row] = entry_start_[row - 1];
        entry_start_[0] = 0;
    }

    // The map's slot index is taken from the upper half of the product.
    static size_t hash(Token token) noexcept { return fibonacci_slot(token, 32); }

    size_t find(Token token) const noexcept {
        for (size_t slot = hash(token) & mask_;; slot = (slot + 1) & mask_) {
            const Row row = rows_[slot];
            if (row == 0 || keys_[slot] == token)
                return row;
        }
    }

    Found find_or_insert(Token token) {
        for (size_t slot = hash(token) & mask_;; slot = (slot + 1) & mask_) {
            if (rows_[slot] == 0) {
                // Rows are numbered from 1; at most n of them.
                keys_[slot] = token;
                rows_[slot] = static_cast<Row>(row_count_++);
                return {rows_[slot], true};
            }
            if (keys_[slot] == token)
                return {rows_[slot], false};
        }
    }

    size_t blocks_;
    bool dense_ = true;
    size_t mask_ = 0;
    size_t row_count_ = 1;  // row 0 answers every token the sequence lacks
    std::vector<Token> keys_;
    std::vector<Row> rows_;             // 0 marks an empty slot
    std::vector<uint64_t> rows_words_;  // dense
    std::vector<size_t> entry_start_;   // sparse, per row and one past the last
    std::vector<uint32_t> entry_block_;
    std::vector<uint64_t> entry_word_;
};

// The columns of a sparse TokenPatternMasks as a kernel reads them:
// `columns(token)` points at B words holding the token's masks, as a dense
// row would, and `columns.window(token, first, last)` at B words of which
// only words first to last hold them (a kernel that reads a band of words).
// The words are laid out in one of two buffers in turn, each cleared of the
// entries it last held, so that a column stays valid through the next
// request (optimal string alignment reads the previous column's masks too).
template <typename Token>
class SparseMaskColumns {
public:
    explicit SparseMaskColumns(const TokenPatternMasks<Token> &masks)
        : masks_(masks), blocks_(masks.blocks()), words_(3 * blocks_, 0) {}

    // B zero words: the masks before the first column.
    const uint64_t *zero_row() const noexcept { return words_.data(); }

    const uint64_t *operator()(Token token) noexcept {
        const auto range = masks_.entries_of(token);
        return lay_out(range.first, range.last);
    }

    const uint64_t *window(Token token, size_t first, size_t last) noexcept {
        const auto range = masks_.entries_of(token);
        const uint32_t *blocks = masks_.entry_blocks();
        size_t begin = range.first;
        if (first > 0)
            begin = static_cast<size_t>(std::lower_bound(blocks + begin, blocks + range.last, first) - blocks);
        size_t end = begin;
        while (end < range.last && blocks[end] <= last)
            ++end;
        return lay_out(begin, end);
    }

private:
    const uint64_t *lay_out(size_t begin, size_t end) noexcept {
        uint64_t *column = words_.data() + (1 + turn_) * blocks_;
        const uint32_t *blocks = masks_.entry_blocks();
        const uint64_t *words = masks_.entry_words();
        for (size_t e = held_[turn_].first; e < held_[turn_].last; ++e)
            column[blocks[e]] = 0;
        for (size_t e = begin; e < end; ++e)
            column[blocks[e]] = words[e];
        held_[turn_] = {begin, end};
        turn_ ^= 1;
        return column;
    }

    const TokenPatternMasks<Token> &masks_;
    size_t blocks_;
    std::vector<uint64_t> words_;  // the zero row, then the two buffers
    std::array<typename TokenPatternMasks<Token>::EntryRange, 2> held_{};
    unsigned turn_ = 0;
};

// The sparse road of on_token_masks, kept out of line: inlined beside the
// dense one, it made a 200-letter Cyrillic Indel pair, which takes the
// dense one, about 6% slower.
template <typename Token, typename Run>
[[gnu::noinline]] auto on_sparse_token_masks(const TokenPatternMasks<Token> &masks, Run &run) {
    SparseMaskColumns<Token> columns(masks);
    return run(columns, columns.zero_row());
}

// `run(masks_of, zero_row)` with the masks as the kernels read them: a
// dense row in place, or a sparse token's column laid out.
template <typename Token, typename Run>
auto on_token_masks(const TokenPatternMasks<Token> &masks, Run &&run) {
    if (masks.dense())
        return run([&masks](Token s) { return masks.masks_of(s); }, masks.zero_row());
    return on_sparse_token_masks(masks, run);
}

// The masks of words first to last of `symbol`, for a kernel that reads only
// those: a window of sparse columns, anything else's whole row.
template <typename MasksOf, typename Symbol>
const uint64_t *masks_in(MasksOf &masks_of, Symbol symbol, size_t first, size_t last) {
    if constexpr (requires { masks_of.window(symbol, first, last); })
        return masks_of.window(symbol, first, last);
    else
        return masks_of(symbol);
}

// One word (at most 64 tokens), held in the caller's frame: 128
// open-addressing slots for at most 64 distinct tokens. A slot whose mask is
// 0 is empty (an inserted token has at least its own bit), and the lookup of
// a token the sequence lacks ends on one.
template <typename Token>
class SmallTokenPatternMasks {
public:
    SmallTokenPatternMasks(const Token *symbols, size_t n) noexcept {
        for (size_t i = 0; i < n; ++i) {
            size_t slot = hash(symbols[i]);
            while (masks_[slot] != 0 && keys_[slot] != symbols[i])
                slot = (slot + 1) % SLOTS;
            keys_[slot] = symbols[i];
            masks_[slot] |= uint64_t{1} << i;
        }
    }

    uint64_t mask_of(Token token) const noexcept {
        for (size_t slot = hash(token);; slot = (slot + 1) % SLOTS) {
            if (masks_[slot] == 0 || keys_[slot] == token)
                return masks_[slot];
        }
    }

private:
    static constexpr size_t SLOTS = 128;
    static size_t hash(Token token) noexcept { return fibonacci_slot(token, 7); }

    // Both tables start on a cache line. Every pair zeroes them (1,280
    // bytes for 16-bit tokens), and where they fell on the stack otherwise
    // followed the callers' frames: a frame that grew by one word made a
    // 32-letter Cyrillic Levenshtein pair a sixth slower, the zeroing's cost
    // depending on where it starts.
    alignas(64) std::array<Token, SLOTS> keys_{};
    alignas(64) std::array<uint64_t, SLOTS> masks_{};
};

}  // namespace veltrocamber::distance
