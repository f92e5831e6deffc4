// Pairwise preprocessing: a query and a target given as Python objects become
// two token vectors of one common width, with the kernel width chosen from the
// score bound.
//
// Roads, by the types of the two arguments (subclasses count as their base):
//   - both bytes: kind INPUT_BYTES, 8-bit tokens, one per byte;
//   - both str: kind INPUT_STR, one token per code point (the storage's code
//     units: 8, 16 or 32 bits before the common width is applied);
//   - anything else (sequences, or bytes/str against a sequence, which is then
//     read as a sequence): kind INPUT_OBJECTS, the distinct items numbered
//     1, 2, 3, ... in order of first appearance over the query, then the
//     target, by dictionary equality (1, 1.0 and True share a token).
// bytes against str, and any object offering the buffer protocol (NumPy
// arrays, bytearray, memoryview, array.array), are refused with TypeError.
//
// Everything here runs with the interpreter lock held and keeps no state.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "module/interrupt_poll.hpp"
#include "module/token_vector.hpp"

namespace veltrocamber {

enum InputKind : uint8_t {
    INPUT_BYTES = 0,
    INPUT_STR = 1,
    INPUT_OBJECTS = 2,
};

// The pair owns everything it holds. Members are destroyed in reverse order:
// the item references (target, then query) are released first, then the
// token vectors (target, then query).
struct PreprocessedPair {
    InputKind kind = INPUT_BYTES;
    KernelWidth width = 8;    // the alternative of both token vectors
    uint64_t max_token = 0;   // largest token over both sides, 0 when both are empty
    uint64_t score_bound = 0; // see select_kernel_width
    TokenVector query;
    TokenVector target;
    // The caller's objects, one per token, for INPUT_OBJECTS only (empty
    // otherwise); aligned rows hand these very objects back.
    std::vector<nanobind::object> query_items;
    std::vector<nanobind::object> target_items;
};

// `query` and `target` are borrowed. The scoring values only feed the score
// bound: the edit distances pass (1, -1, -1, -1, 0), the linear-gap scores
// (match, mismatch, gap, gap, width), the affine paths the resolved open and
// extend values. `width` 0 means automatic. Numbering the objects of a
// sequence input counts its items in `poll` when one is given (the call's
// InterruptPoll), whose checks may raise. Errors are raised as Python
// exceptions (python_error thrown); nothing built so far outlives them.
PreprocessedPair preprocess(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, int64_t gap_open,
                            int64_t gap_extend, uint64_t width, InterruptPoll *poll = nullptr);

// The first check of both preprocess and preprocess_farrar: a bytes argument
// against a str (either way round, subclasses included) raises TypeError
// "bytes and str inputs cannot be aligned directly against each other".
void reject_bytes_against_str(PyObject *query, PyObject *target);

// The storage of a str copied into tokens by storage kind (1 -> 8-bit,
// 2 -> 16-bit, 4 -> 32-bit); `largest` receives the largest code unit (0 for
// an empty str). Another kind raises TypeError "unsupported Python Unicode
// storage kind".
TokenVector tokens_from_str(PyObject *str, uint64_t &largest);

// Kernel-width selection, shared with preprocess_farrar.
//   V = largest magnitude of the four scoring values (that of -2^63 is 2^63);
//   n = tokens over both sides (saturating);
//   score_bound = V * n, 0 when either is 0;
//   bound width 8 up to 127, 16 up to 32767, 32 up to 2^31-1, 64 up to 2^63-1;
//   a product beyond 63 bits raises OverflowError "alignment score bound
//   exceeds the 64-bit kernel capacity" (before `requested` is looked at);
//   automatic width = wider of the bound width and `token_width` (8 when the
//   token values do not matter: bytes and the Farrar channel);
//   `requested` 0 keeps it, 8/16/32 may only widen it ("width cannot be
//   narrower than the automatically selected kernel width"), 64 is always
//   taken, anything else is ValueError "width must be None, 0, 8, 16, 32, or
//   64".
struct KernelWidthChoice {
    uint64_t score_bound = 0;
    KernelWidth width = 8;
};
KernelWidthChoice select_kernel_width(int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
                                      uint64_t token_total, KernelWidth token_width, uint64_t requested);

// Narrowest width that holds `max_token`: 8, 16, 32 or 64.
constexpr KernelWidth width_for_token(uint64_t max_token) noexcept {
    return max_token <= 0xFFu ? 8 : max_token <= 0xFFFFu ? 16 : max_token <= 0xFFFFFFFFu ? 32 : 64;
}

namespace preprocess_detail {

// Interns `items` in the dict `seen`, appending one token per item: a known
// item gets the number stored under it, a new one the number `distinct +
// first` (then `distinct` grows by one). When `distinct` has reached `limit`
// a new item calls `raise_full` instead. Equality is the dict's, so 1, 1.0
// and True share a number; Python errors (an unhashable item, a failing
// __eq__ or __hash__) are thrown as python_error. With a `poll`, every item
// counts ITEM_CELLS in it (a dictionary probe that may call Python code
// costs as much as a run of kernel words).
inline constexpr uint64_t ITEM_CELLS = 1024;

template <typename Token>
void intern_items(PyObject *seen, const std::vector<nanobind::object> &items, std::vector<Token> &tokens,
                  uint64_t &distinct, uint64_t first, uint64_t limit, void (*raise_full)(),
                  InterruptPoll *poll = nullptr) {
    tokens.reserve(tokens.size() + items.size());
    for (const nanobind::object &item : items) {
        if (poll != nullptr)
            poll->advance(ITEM_CELLS);
        PyObject *known = PyDict_GetItemWithError(seen, item.ptr());  // borrowed
        if (known != nullptr) {
            const unsigned long long number = PyLong_AsUnsignedLongLong(known);
            if (number == static_cast<unsigned long long>(-1) && PyErr_Occurred())
                throw nanobind::python_error();
            tokens.push_back(static_cast<Token>(number));
            continue;
        }
        if (PyErr_Occurred())
            throw nanobind::python_error();
        if (distinct == limit)
            raise_full();
        const uint64_t number = distinct + first;
        nanobind::object value = nanobind::steal(PyLong_FromUnsignedLongLong(number));
        if (!value.is_valid() || PyDict_SetItem(seen, item.ptr(), value.ptr()) != 0)
            throw nanobind::python_error();
        ++distinct;
        tokens.push_back(static_cast<Token>(number));
    }
}

// Numbers the items of both sides by first appearance, continuing from
// `counter` (0 for a fresh pair); returns the last number handed out.
// Exposed so that the 64-bit exhaustion of the numbering can be tested.
uint64_t number_items(const std::vector<nanobind::object> &query_items,
                      const std::vector<nanobind::object> &target_items, std::vector<uint64_t> &query_tokens,
                      std::vector<uint64_t> &target_tokens, uint64_t counter, InterruptPoll *poll = nullptr);

}  // namespace preprocess_detail

}  // namespace veltrocamber
