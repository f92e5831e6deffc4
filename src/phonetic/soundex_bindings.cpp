#include "phonetic/soundex_bindings.hpp"

#include <string>

#include "phonetic/phonetic_input.hpp"
#include "phonetic/soundex.hpp"

namespace nb = nanobind;

namespace veltrocamber::phonetic {

const char *const soundex_doc =
    "American Soundex phonetic code (1918).\n"
    "\n"
    "Returns a 4-character ASCII string (an upper-case letter and three\n"
    "digits) when ``s`` contains at least one ASCII letter, else the empty\n"
    "string. Non-letter and non-ASCII characters are skipped before encoding.";

const char *const soundex_equal_doc =
    "True iff ``s1`` and ``s2`` produce the same Soundex code.\n"
    "Inputs that encode to the empty string never match.";

nb::str py_soundex(nb::handle s) {
    return encode_to_str(s.ptr(), soundex_encode);
}

bool py_soundex_equal(nb::handle s1, nb::handle s2) {
    return phonetic_codes_equal(s1.ptr(), s2.ptr(), soundex_encode);
}

}  // namespace veltrocamber::phonetic
