// First looks at a Python argument, before any tokenisation.
//
// Type tests use the interpreter's subclass flags: a subclass of bytes counts
// as bytes and a subclass of str as str everywhere.
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

namespace veltrocamber {

inline bool is_bytes(PyObject *o) { return PyBytes_Check(o); }
inline bool is_str(PyObject *o) { return PyUnicode_Check(o); }
inline bool is_text(PyObject *o) { return PyBytes_Check(o) || PyUnicode_Check(o); }
// No subclass: reading such an object runs no Python code.
inline bool is_exact_text(PyObject *o) { return PyBytes_CheckExact(o) || PyUnicode_CheckExact(o); }

// Element kind of a buffer, from its struct-module format letter.
enum ElementKind : uint8_t {
    ELEMENT_UNSUPPORTED = 0,
    ELEMENT_INT8 = 1,
    ELEMENT_UINT8 = 2,
    ELEMENT_INT16 = 3,
    ELEMENT_UINT16 = 4,
    ELEMENT_INT32 = 5,
    ELEMENT_UINT32 = 6,
    ELEMENT_INT64 = 7,
    ELEMENT_UINT64 = 8,
    ELEMENT_FLOAT16 = 9,
    ELEMENT_FLOAT32 = 10,
    ELEMENT_FLOAT64 = 11,
};

size_t element_size(ElementKind kind) noexcept;

// The result of probe_buffer. When has_buffer is set the view is held and is
// released by the destructor; failed means the object offers the buffer
// protocol but no usable buffer came of it (the Python error is cleared).
struct BufferView {
    Py_buffer view{};
    bool has_buffer = false;
    bool failed = false;
    ElementKind element_kind = ELEMENT_UNSUPPORTED;

    BufferView() = default;
    BufferView(const BufferView &) = delete;
    BufferView &operator=(const BufferView &) = delete;
    BufferView(BufferView &&other) noexcept;
    BufferView &operator=(BufferView &&other) noexcept;
    ~BufferView() { release(); }

    void release() noexcept;
    size_t element_count() const noexcept { return has_buffer ? static_cast<size_t>(view.len / view.itemsize) : 0; }
};

// Asks for a C-contiguous buffer with a one-letter format in native byte
// order whose item size matches the letter. bytes, str, null and objects
// without the buffer protocol come back with neither flag set. Never throws.
BufferView probe_buffer(PyObject *object) noexcept;

// The storage of a bytes object (mode 1) or of a one-byte str (any other
// mode), without a copy; length in bytes or code points.
struct RawText {
    const uint8_t *data;
    size_t length;
};
inline constexpr int RAW_TEXT_BYTES = 1;
inline constexpr int RAW_TEXT_STR = 2;
RawText raw_text_view(PyObject *object, int mode);

// A byte-like argument for the edit distances' byte path: bytes, or a str
// stored one byte per character. Returns 0 when the argument is neither.
inline int raw_text_mode(PyObject *o) {
    if (PyBytes_Check(o))
        return RAW_TEXT_BYTES;
    if (PyUnicode_Check(o) && PyUnicode_KIND(o) == PyUnicode_1BYTE_KIND)
        return RAW_TEXT_STR;
    return 0;
}

// The symbol count of an input where it can be read without running Python
// code (bytes, str, list, tuple), else UINT64_MAX: it paces the interrupt
// polls of the batch loops (InterruptPoll::pair_cells).
inline uint64_t symbol_count_hint(PyObject *o) noexcept {
    if (PyBytes_Check(o))
        return static_cast<uint64_t>(PyBytes_GET_SIZE(o));
    if (PyUnicode_Check(o))
        return static_cast<uint64_t>(PyUnicode_GET_LENGTH(o));
    if (PyList_Check(o))
        return static_cast<uint64_t>(PyList_GET_SIZE(o));
    if (PyTuple_Check(o))
        return static_cast<uint64_t>(PyTuple_GET_SIZE(o));
    return UINT64_MAX;
}

// New references to every item of a sequence (any iterable is drained once).
// `name` heads the TypeError for a non-iterable.
std::vector<nanobind::object> collect_sequence_items(PyObject *object, const char *name);

// Refuses a lone str or bytes where a collection of targets is expected.
void reject_single_text_targets(PyObject *targets);

}  // namespace veltrocamber
