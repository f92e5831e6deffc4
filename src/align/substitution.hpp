// The score of aligning one query symbol with one target symbol, as the
// template parameter that the scalar score kernels and the traceback fills
// take. A kernel asks once per query row for that symbol's row of scores
// (`row(q)`) and then scores each target symbol with it (`row(t)`), so a
// matrix lookup costs one load per cell and the match/mismatch pair stays
// one comparison.
//
// - MatchMismatch: `match` when the two symbols are equal, else `mismatch`;
//   symbols of any unsigned width.
// - MatrixSubstitution: a stride x stride table of signed 8-bit entries,
//   row-major by query symbol, read in place (the caller keeps it alive
//   and has checked every symbol against the stride); the entry is
//   sign-extended to the cell type.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltrocamber::align {

template <typename Cell>
struct MatchMismatch {
    Cell match;
    Cell mismatch;

    template <typename Token>
    struct Row {
        Token symbol;
        Cell match;
        Cell mismatch;
        Cell operator()(Token target) const noexcept { return target == symbol ? match : mismatch; }
    };

    template <typename Token>
    Row<Token> row(Token query) const noexcept {
        return Row<Token>{query, match, mismatch};
    }
};

template <typename Cell>
struct MatrixSubstitution {
    const int8_t *entries;
    size_t stride;

    struct Row {
        const int8_t *entries;
        Cell operator()(uint8_t target) const noexcept { return static_cast<Cell>(entries[target]); }
    };

    Row row(uint8_t query) const noexcept { return Row{entries + size_t{query} * stride}; }
};

}  // namespace veltrocamber::align
