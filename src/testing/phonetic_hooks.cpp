// _testhooks entries of the phonetic encoders.
#include <string>

#include <nanobind/nanobind.h>

#include "phonetic/phonetic_input.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;

namespace veltrocamber::testing {

void register_phonetic_hooks(nb::module_ &m) {
    // The bytes the phonetic encoders read, as a bytes object.
    m.def("phonetic_ascii_bytes", [](nb::handle obj) {
        const std::string b = phonetic::phonetic_ascii_bytes(obj.ptr());
        return nb::bytes(b.data(), b.size());
    });
}

}  // namespace veltrocamber::testing
