// The inputs of the substitution-matrix entry points: alphabet-index
// sequences and a stride x stride matrix of signed 8-bit scores, each given
// as bytes or a one-byte str and read in place.
//
// Every check happens before a kernel runs, in this order: byte
// compatibility of query, target and matrix (the family's TypeError), the
// matrix size against the true stride * stride (a 128-bit product, so a
// stride of 2^32 cannot wrap to an empty matrix), then every code of query
// and target below the stride, so that no kernel reads outside the matrix.
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>

#include "align/substitution.hpp"
#include "module/input_views.hpp"

namespace veltrocamber::matrix_mode {

// The TypeError texts of the four families.
inline constexpr const char *LINEAR_SCORE_TYPE_MESSAGE =
    "matrix-mode alignment expects byte-compatible inputs (bytes or 1-byte unicode); use "
    "SubstitutionMatrix.encode to map sequences to alphabet indices.";
inline constexpr const char *AFFINE_SCORE_TYPE_MESSAGE =
    "matrix-mode affine alignment expects byte-compatible inputs (bytes or 1-byte unicode); use "
    "SubstitutionMatrix.encode to map sequences to alphabet indices.";
inline constexpr const char *LINEAR_PATH_TYPE_MESSAGE =
    "matrix-mode traceback expects byte-compatible inputs (bytes or 1-byte unicode); use "
    "SubstitutionMatrix.encode to map sequences to alphabet indices.";
inline constexpr const char *AFFINE_PATH_TYPE_MESSAGE =
    "matrix-mode affine traceback expects byte-compatible inputs (bytes or 1-byte unicode); use "
    "SubstitutionMatrix.encode to map sequences to alphabet indices.";

// What a call is and how it names itself in its errors.
struct MatrixCall {
    const char *function;      // e.g. "smith_waterman_score_matrix"
    const char *type_message;  // one of the four texts above
    const char *target_name;   // "target_indices", or "targets" in the plural forms
};

// One checked pair: both code sequences and the matrix, borrowed from the
// caller's objects (immutable, and kept alive by the call).
struct MatrixPair {
    RawText query;
    RawText target;
    const int8_t *entries;
    uint64_t stride;

    template <typename Cell>
    align::MatrixSubstitution<Cell> substitution() const noexcept {
        return {entries, static_cast<size_t>(stride)};
    }
    uint64_t total_length() const noexcept { return query.length + target.length; }
};

// The checks above for one pair. `target_index` is the position of the
// target in a plural call (it names the target in the code error), or
// SIZE_MAX for a single one.
MatrixPair checked_matrix_pair(const MatrixCall &call, PyObject *query, PyObject *target, PyObject *matrix,
                               uint64_t stride, size_t target_index = SIZE_MAX);

// The largest entry magnitude, -128 counting as 128 (0 for an empty matrix).
uint64_t largest_entry_magnitude(const MatrixPair &pair) noexcept;

// (query length + target length) x max(gap magnitudes, largest entry), the
// bound on every score a path of the pair can reach. Linear gaps pass the gap
// twice. A bound of 2^63 or more (the product is taken in 128 bits) raises
// OverflowError "alignment score bound exceeds the 64-bit kernel capacity".
uint64_t matrix_score_bound(uint64_t total_length, uint64_t largest_entry, int64_t gap_open, int64_t gap_extend);

// Cell width of a bound: 8 below 128, 16 below 0x8000, 32 up to 0x7FFFFFFF,
// else 64.
unsigned matrix_cell_width(uint64_t bound) noexcept;

}  // namespace veltrocamber::matrix_mode
