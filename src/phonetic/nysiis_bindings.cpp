#include "phonetic/nysiis_bindings.hpp"

#include <string>

#include "phonetic/nysiis.hpp"
#include "phonetic/phonetic_input.hpp"

namespace nb = nanobind;

namespace veltrocamber::phonetic {

// The code is not cut to six letters, so the docstring does not promise it.
const char *const nysiis_doc =
    "NYSIIS phonetic code (New York State Identification and Intelligence System, 1970).\n"
    "\n"
    "Returns a code of upper-case ASCII letters; most names give six letters\n"
    "or fewer, and longer names are not cut (Washington gives WASANGTAN), so\n"
    "take ``code[:6]`` for the classic fixed length. The code is empty when\n"
    "``s`` holds no ASCII letter. Non-letter and non-ASCII characters are\n"
    "skipped before encoding. NYSIIS tends to be more discriminative than\n"
    "Soundex for English names.";

const char *const nysiis_equal_doc =
    "True iff ``s1`` and ``s2`` produce the same NYSIIS code.\n"
    "Inputs that encode to the empty string never match.";

nb::str py_nysiis(nb::handle s) {
    return encode_to_str(s.ptr(), nysiis_encode);
}

bool py_nysiis_equal(nb::handle s1, nb::handle s2) {
    return phonetic_codes_equal(s1.ptr(), s2.ptr(), nysiis_encode);
}

}  // namespace veltrocamber::phonetic
