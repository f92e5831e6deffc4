#include "phonetic/caverphone_bindings.hpp"

#include <string>

#include "phonetic/caverphone.hpp"
#include "phonetic/phonetic_input.hpp"

namespace nb = nanobind;

namespace veltrocamber::phonetic {

const char *const caverphone_doc =
    "Caverphone 2.0 phonetic code (David Hood, Caversham Project, 2004).\n"
    "\n"
    "Produces a fixed-length 10-character code of upper-case ASCII letters,\n"
    "right-padded with 1 (all 1 when ``s`` holds no ASCII letter); longer\n"
    "codes keep their first 10 characters. Non-letter and non-ASCII\n"
    "characters are skipped. It was designed for matching names from\n"
    "late-19th-century New Zealand electoral rolls.";

nb::str py_caverphone(nb::handle s) {
    return encode_to_str(s.ptr(), caverphone_encode);
}

}  // namespace veltrocamber::phonetic
