// The Farrar token channel: a query and a target as 8-bit symbol codes over
// one shared alphabet of at most 256 symbols, for the striped score kernels,
// the affine scores and every traceback and CIGAR entry point (their query
// profiles have one row per symbol).
//
// Accepts everything preprocess() accepts and, in addition, two buffer
// objects (NumPy arrays and the like) of one numeric element kind.
// Codes:
//   - bytes, and int8/uint8 buffers: the byte itself (int8 -1 is 255), so a
//     code may exceed alphabet_size;
//   - everything else: dense codes 0 .. alphabet_size-1, by first appearance
//     over the query, then the target (str by code point, objects by
//     dictionary equality, wider arrays by value or, for floats, by bit
//     pattern, so 0.0 and -0.0 are two symbols).
//
// Runs with the interpreter lock held. The only state that outlives a call
// is a pair of per-thread direct code tables (256 and 65,536 entries) for
// one- and two-byte strings, created on first use in a thread and destroyed
// at its exit; a call resets only the entries the previous call touched.
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "module/input_views.hpp"
#include "module/token_vector.hpp"

namespace veltrocamber {

// Owns both code vectors (destroyed target first, then query). Prepared
// objects keep a copy.
struct FarrarTokenChannel {
    KernelWidth width = 8;       // lane or cell width: 8, 16, 32 or 64
    uint64_t alphabet_size = 0;  // distinct symbols over both sides, at most 256
    uint64_t score_bound = 0;    // as select_kernel_width computes it
    std::vector<uint8_t> query;
    std::vector<uint8_t> target;
};

// `query` and `target` are borrowed; the scoring values only feed the score
// bound; `width` 0 means automatic. Errors are raised as Python exceptions
// (python_error thrown) after every held buffer is released.
FarrarTokenChannel preprocess_farrar(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                     int64_t gap_open, int64_t gap_extend, uint64_t width);

// Builds the calling thread's direct code tables, which are otherwise built
// at their first use in a thread.
void ready_farrar_thread_tables();

namespace farrar_detail {

// 256 for a str stored one byte per code point, 65,536 for two bytes, 0
// otherwise (no direct table: the hashed road is taken).
size_t direct_unicode_lookup_size(PyObject *unicode_object) noexcept;

// A direct code table: entries[code point] is the code, or -1. The entries
// and the touched list either belong to the calling thread (sizes 256 and
// 65,536) or to the record itself (any other size). Not copyable: the
// pointers may refer to the record's own storage.
struct DenseCodeTable {
    uint64_t count = 0;                       // codes handed out so far
    int16_t *entries = nullptr;               // indexed by code point
    std::vector<uint32_t> *touched = nullptr; // code points that received a code
    std::vector<int16_t> own_entries;
    std::vector<uint32_t> own_touched;

    DenseCodeTable() = default;
    DenseCodeTable(const DenseCodeTable &) = delete;
    DenseCodeTable &operator=(const DenseCodeTable &) = delete;
};

// Borrows the thread's table of `size` 256 or 65,536 (resetting the entries
// its touched list names), or gives `table` a fresh one of its own.
void dense_code_table(DenseCodeTable &table, size_t size);

// Appends one code per code point of `str` (storage kind 1 or 2, every code
// point below the table's size). A new code point when 256 codes are already
// given raises ValueError "Farrar token channel supports at most 256
// distinct symbols".
void str_codes_direct(std::vector<uint8_t> &codes, DenseCodeTable &table, PyObject *str);

// The same over a hash map shared by both sides, for any storage kind.
void str_codes_hashed(std::vector<uint8_t> &codes, PyObject *str, std::unordered_map<uint32_t, uint8_t> &map);

// Fills query, target and alphabet_size of `channel` from two views of one
// element kind.
void ndarray_pair_codes(FarrarTokenChannel &channel, const BufferView &query, const BufferView &target);

}  // namespace farrar_detail

}  // namespace veltrocamber
