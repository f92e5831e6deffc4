#include "phonetic/metaphone_bindings.hpp"

#include <string>

#include "phonetic/metaphone.hpp"
#include "phonetic/phonetic_input.hpp"

namespace nb = nanobind;

namespace veltrocamber::phonetic {

const char *const metaphone_doc =
    "Metaphone phonetic code (Lawrence Philips, 1990).\n"
    "\n"
    "Returns a variable-length ASCII code built from consonant letters\n"
    "(B F H J K L M N P R S T W X Y) plus ``0`` for the theta sound (TH); a\n"
    "vowel appears only as the first character, for a name that starts with\n"
    "one. The code is empty when ``s`` holds no ASCII letter. Non-letter and\n"
    "non-ASCII characters are skipped before encoding. ``variant`` picks the\n"
    "rule family (see ``MetaphoneVariant``).";

const char *const metaphone_equal_doc =
    "True iff ``s1`` and ``s2`` produce the same Metaphone code.\n"
    "``variant`` is forwarded to both encodings; inputs that encode to the\n"
    "empty string never match.";

nb::str py_metaphone(nb::handle s, int32_t variant) {
    return encode_to_str(s.ptr(), [variant](std::string_view b) { return metaphone_encode(b, variant); });
}

bool py_metaphone_equal(nb::handle s1, nb::handle s2, int32_t variant) {
    return phonetic_codes_equal(s1.ptr(), s2.ptr(),
                                [variant](std::string_view b) { return metaphone_encode(b, variant); });
}

}  // namespace veltrocamber::phonetic
