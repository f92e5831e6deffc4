#include "phonetic/phonetic_input.hpp"

#include <cstdint>

#include "module/raisers.hpp"

namespace veltrocamber::phonetic {
namespace {

// Wider storage kinds: keep the ASCII characters, drop the rest. The encoders
// would skip every non-ASCII character anyway; dropping them here means they
// see the same letters in the same order whatever the storage kind.
template <class CodeUnit>
std::string ascii_of_wide(const CodeUnit *data, Py_ssize_t length) {
    std::string out;
    out.reserve(static_cast<size_t>(length));
    for (Py_ssize_t i = 0; i < length; ++i)
        if (data[i] < 0x80u)
            out.push_back(static_cast<char>(data[i]));
    return out;
}

}  // namespace

std::string phonetic_ascii_bytes(PyObject *s) {
    if (PyBytes_Check(s)) {
        char *data = nullptr;
        Py_ssize_t length = 0;
        if (PyBytes_AsStringAndSize(s, &data, &length) != 0)
            raise_pending();
        return std::string(data, static_cast<size_t>(length));
    }
    if (PyUnicode_Check(s)) {
        const Py_ssize_t length = PyUnicode_GET_LENGTH(s);
        switch (PyUnicode_KIND(s)) {
            case PyUnicode_1BYTE_KIND:
                return std::string(reinterpret_cast<const char *>(PyUnicode_1BYTE_DATA(s)),
                                   static_cast<size_t>(length));
            case PyUnicode_2BYTE_KIND: return ascii_of_wide(PyUnicode_2BYTE_DATA(s), length);
            default: return ascii_of_wide(PyUnicode_4BYTE_DATA(s), length);
        }
    }
    raise_type_error("phonetic encoder requires a str or bytes-like input");
}

}  // namespace veltrocamber::phonetic
