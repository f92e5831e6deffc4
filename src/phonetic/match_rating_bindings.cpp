#include "phonetic/match_rating_bindings.hpp"

#include <string>

#include "phonetic/match_rating.hpp"
#include "phonetic/phonetic_input.hpp"

namespace nb = nanobind;

namespace veltrocamber::phonetic {

const char *const match_rating_codex_doc =
    "Match Rating Approach codex (Western Airlines, 1977).\n"
    "\n"
    "Compresses a name by dropping vowels (except the first letter),\n"
    "collapsing consecutive duplicate letters, and keeping at most three\n"
    "letters from each end if the result exceeds six. Non-letter and\n"
    "non-ASCII characters are skipped; a name without ASCII letters gives\n"
    "the empty string.";

const char *const match_rating_compare_doc =
    "Match Rating Approach pairwise comparison (Western Airlines, 1977).\n"
    "\n"
    "Returns True if the pair of names is similar enough by the rating\n"
    "rules: a length-difference gate (codex lengths may differ by at most 3)\n"
    "and a position-stripping rating threshold that depends on the combined\n"
    "codex length. A name without ASCII letters never matches.";

nb::str py_match_rating_codex(nb::handle s) {
    return encode_to_str(s.ptr(), match_rating_codex_encode);
}

bool py_match_rating_compare(nb::handle s1, nb::handle s2) {
    const std::string first = phonetic_ascii_bytes(s1.ptr());
    const std::string second = phonetic_ascii_bytes(s2.ptr());
    return match_rating_codices_similar(match_rating_codex_encode(first), match_rating_codex_encode(second));
}

}  // namespace veltrocamber::phonetic
