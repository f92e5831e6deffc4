#include "module/input_views.hpp"

#include <array>
#include <bit>
#include <string>

#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

// Indexed by (letter - 'B') for the letters 'B' to 'q'.
constexpr std::array<uint8_t, 48> make_letter_table() {
    std::array<uint8_t, 48> t{};
    auto set = [&t](char letter, ElementKind kind) { t[static_cast<size_t>(letter - 'B')] = kind; };
    set('b', ELEMENT_INT8);
    set('B', ELEMENT_UINT8);
    set('h', ELEMENT_INT16);
    set('H', ELEMENT_UINT16);
    set('i', ELEMENT_INT32);
    set('I', ELEMENT_UINT32);
    set('l', ELEMENT_INT64);
    set('q', ELEMENT_INT64);
    set('L', ELEMENT_UINT64);
    set('Q', ELEMENT_UINT64);
    set('e', ELEMENT_FLOAT16);
    set('f', ELEMENT_FLOAT32);
    set('d', ELEMENT_FLOAT64);
    return t;
}
constexpr auto letter_table = make_letter_table();

ElementKind kind_of_letter(char letter) {
    if (letter < 'B' || letter > 'q')
        return ELEMENT_UNSUPPORTED;
    return static_cast<ElementKind>(letter_table[static_cast<size_t>(letter - 'B')]);
}

// A prefix naming the other byte order than the machine's. Reading such data
// as native would compare raw bit patterns, so it is refused.
bool names_foreign_byte_order(char c) {
    if constexpr (std::endian::native == std::endian::little)
        return c == '>';
    else
        return c == '<';
}

ElementKind parse_format(const char *format) {
    if (format == nullptr)  // the buffer protocol's default: unsigned bytes
        return ELEMENT_UINT8;
    const char *p = format;
    for (; *p == '@' || *p == '<' || *p == '=' || *p == '>' || *p == '|'; ++p)
        if (names_foreign_byte_order(*p))
            return ELEMENT_UNSUPPORTED;
    if (p[0] == '\0' || p[1] != '\0')
        return ELEMENT_UNSUPPORTED;
    return kind_of_letter(p[0]);
}

}  // namespace

size_t element_size(ElementKind kind) noexcept {
    switch (kind) {
        case ELEMENT_INT8:
        case ELEMENT_UINT8: return 1;
        case ELEMENT_INT16:
        case ELEMENT_UINT16:
        case ELEMENT_FLOAT16: return 2;
        case ELEMENT_INT32:
        case ELEMENT_UINT32:
        case ELEMENT_FLOAT32: return 4;
        case ELEMENT_INT64:
        case ELEMENT_UINT64:
        case ELEMENT_FLOAT64: return 8;
        default: return 0;
    }
}

BufferView::BufferView(BufferView &&other) noexcept
    : view(other.view), has_buffer(other.has_buffer), failed(other.failed), element_kind(other.element_kind) {
    other.has_buffer = false;
}

BufferView &BufferView::operator=(BufferView &&other) noexcept {
    if (this != &other) {
        release();
        view = other.view;
        has_buffer = other.has_buffer;
        failed = other.failed;
        element_kind = other.element_kind;
        other.has_buffer = false;
    }
    return *this;
}

void BufferView::release() noexcept {
    if (has_buffer) {
        PyBuffer_Release(&view);
        has_buffer = false;
    }
}

BufferView probe_buffer(PyObject *object) noexcept {
    BufferView out;
    if (object == nullptr || PyBytes_Check(object) || PyUnicode_Check(object) || !PyObject_CheckBuffer(object))
        return out;
    if (PyObject_GetBuffer(object, &out.view, PyBUF_C_CONTIGUOUS | PyBUF_FORMAT) != 0) {
        PyErr_Clear();
        out.failed = true;
        return out;
    }
    out.has_buffer = true;
    ElementKind kind = parse_format(out.view.format);
    if (kind != ELEMENT_UNSUPPORTED && static_cast<size_t>(out.view.itemsize) == element_size(kind)) {
        out.element_kind = kind;
        return out;
    }
    out.release();
    out.failed = true;
    out.element_kind = ELEMENT_UNSUPPORTED;
    return out;
}

RawText raw_text_view(PyObject *object, int mode) {
    if (mode == RAW_TEXT_BYTES) {
        char *data = nullptr;
        Py_ssize_t length = 0;
        if (PyBytes_AsStringAndSize(object, &data, &length) != 0)
            raise_pending();
        return RawText{reinterpret_cast<const uint8_t *>(data), static_cast<size_t>(length)};
    }
    return RawText{static_cast<const uint8_t *>(PyUnicode_DATA(object)),
                   static_cast<size_t>(PyUnicode_GET_LENGTH(object))};
}

std::vector<nb::object> collect_sequence_items(PyObject *object, const char *name) {
    std::string message = std::string(name) + " must be bytes, str, or a sequence of immutable hashable objects";
    nb::object fast = nb::steal(PySequence_Fast(object, message.c_str()));
    if (!fast.is_valid())
        raise_pending();
    const Py_ssize_t n = PySequence_Fast_GET_SIZE(fast.ptr());
    PyObject **items = PySequence_Fast_ITEMS(fast.ptr());
    std::vector<nb::object> out;
    out.reserve(static_cast<size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i)
        out.push_back(nb::borrow(items[i]));
    return out;
}

void reject_single_text_targets(PyObject *targets) {
    if (is_text(targets))
        raise_type_error("targets must be an iterable of target sequences, not a single str/bytes");
}

}  // namespace veltrocamber
