// What every phonetic entry point shares: turning the Python argument into
// the bytes the encoders read, and the rule of the equality functions.
#pragma once

#include <Python.h>

#include <string>
#include <string_view>
#include <utility>

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

// An owned copy of the bytes an encoder reads. bytes (and subclasses) pass
// through unchanged, every byte value included; a str (or subclass) stored
// one byte per character is copied byte for byte, a wider str keeps only its
// characters below U+0080. Anything else raises TypeError "phonetic encoder
// requires a str or bytes-like input". Lengths are explicit throughout, so
// embedded NUL characters are ordinary bytes.
std::string phonetic_ascii_bytes(PyObject *s);

// A phonetic code (ASCII) as a new Python str.
inline nanobind::str code_to_str(std::string_view code) { return nanobind::str(code.data(), code.size()); }

// The code of one Python argument, as a new str.
template <class Encode>
nanobind::str encode_to_str(PyObject *s, Encode &&encode) {
    const std::string bytes = phonetic_ascii_bytes(s);
    return code_to_str(encode(std::string_view(bytes)));
}

// The equality rule of every phonetic *_equal function: both arguments are
// converted first (so a bad second argument raises even when the first
// encodes to nothing), and an empty code never matches, not even another
// empty code. `encode` maps the converted bytes to a code; options such as a
// variant travel inside it, so both sides see the same ones.
template <class Encode>
bool phonetic_codes_equal(PyObject *s1, PyObject *s2, Encode &&encode) {
    const std::string first = phonetic_ascii_bytes(s1);
    const std::string second = phonetic_ascii_bytes(s2);
    const std::string first_code = encode(std::string_view(first));
    if (first_code.empty())
        return false;
    const std::string second_code = encode(std::string_view(second));
    if (second_code.empty())
        return false;
    return first_code == second_code;
}

}  // namespace veltrocamber::phonetic
