// Python entry points of the phonetic encoders, registered by the binding
// table: each converts its text arguments with phonetic_ascii_bytes and
// answers the encoder's code as a str, or the shared equality rule as a bool.
#include "phonetic/phonetic_bindings.hpp"

#include <string>
#include <string_view>

#include "phonetic/caverphone.hpp"
#include "phonetic/double_metaphone.hpp"
#include "phonetic/match_rating.hpp"
#include "phonetic/metaphone.hpp"
#include "phonetic/nysiis.hpp"
#include "phonetic/phonetic_input.hpp"
#include "phonetic/soundex.hpp"

namespace nb = nanobind;

namespace veltrocamber::phonetic {

// ---- Soundex ----

const char *const SOUNDEX_DOC =
    "American Soundex phonetic code (1918).\n"
    "\n"
    "Returns a 4-character ASCII string (an upper-case letter and three\n"
    "digits) when ``s`` contains at least one ASCII letter, else the empty\n"
    "string. Non-letter and non-ASCII characters are skipped before encoding.";

const char *const SOUNDEX_EQUAL_DOC =
    "True iff ``s1`` and ``s2`` produce the same Soundex code.\n"
    "Inputs that encode to the empty string never match.";

nb::str py_soundex(nb::handle s) {
    return encode_to_str(s.ptr(), soundex_encode);
}

bool py_soundex_equal(nb::handle s1, nb::handle s2) {
    return phonetic_codes_equal(s1.ptr(), s2.ptr(), soundex_encode);
}

// ---- Metaphone ----

const char *const METAPHONE_DOC =
    "Metaphone phonetic code (Lawrence Philips, 1990).\n"
    "\n"
    "Returns a variable-length ASCII code built from consonant letters\n"
    "(B F H J K L M N P R S T W X Y) plus ``0`` for the theta sound (TH); a\n"
    "vowel appears only as the first character, for a name that starts with\n"
    "one. The code is empty when ``s`` holds no ASCII letter. Non-letter and\n"
    "non-ASCII characters are skipped before encoding. ``variant`` picks the\n"
    "rule family (see ``MetaphoneVariant``).";

const char *const METAPHONE_EQUAL_DOC =
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

// ---- NYSIIS ----

// The code is not cut to six letters, so the docstring does not promise it.
const char *const NYSIIS_DOC =
    "NYSIIS phonetic code (New York State Identification and Intelligence System, 1970).\n"
    "\n"
    "Returns a code of upper-case ASCII letters; most names give six letters\n"
    "or fewer, and longer names are not cut (Washington gives WASANGTAN), so\n"
    "take ``code[:6]`` for the classic fixed length. The code is empty when\n"
    "``s`` holds no ASCII letter, and also when the rules leave a lone A: a\n"
    "trailing A is removed even when it is the only letter (A, As and Ah all\n"
    "give the empty code). Non-letter and non-ASCII characters are skipped\n"
    "before encoding. NYSIIS tends to be more discriminative than Soundex for\n"
    "English names.";

const char *const NYSIIS_EQUAL_DOC =
    "True iff ``s1`` and ``s2`` produce the same NYSIIS code.\n"
    "Inputs that encode to the empty string never match.";

nb::str py_nysiis(nb::handle s) {
    return encode_to_str(s.ptr(), nysiis_encode);
}

bool py_nysiis_equal(nb::handle s1, nb::handle s2) {
    return phonetic_codes_equal(s1.ptr(), s2.ptr(), nysiis_encode);
}

// ---- Match Rating Approach ----

const char *const MATCH_RATING_CODEX_DOC =
    "Match Rating Approach codex (Western Airlines, 1977).\n"
    "\n"
    "Compresses a name by dropping vowels (except the first letter),\n"
    "collapsing consecutive duplicate letters, and keeping at most three\n"
    "letters from each end if the result exceeds six. Non-letter and\n"
    "non-ASCII characters are skipped; a name without ASCII letters gives\n"
    "the empty string.";

const char *const MATCH_RATING_COMPARE_DOC =
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

// ---- Caverphone 2.0 ----

const char *const CAVERPHONE_DOC =
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

// ---- Double Metaphone ----

const char *const DOUBLE_METAPHONE_DOC =
    "Double Metaphone phonetic codes (Lawrence Philips, 2000).\n"
    "\n"
    "Returns a ``(primary, alternate)`` tuple of phonetic codes. The alternate\n"
    "is the empty string when the name has only one reasonable encoding.\n"
    "``max_length`` defaults to 64 (effectively unbounded); 4 gives the\n"
    "classical fixed-length form. ``variant`` is described by\n"
    "``DoubleMetaphoneVariant``.";

// nanobind has already converted max_length and variant (a value out of
// range never reaches here), so the string is converted last.
nb::tuple py_double_metaphone(nb::handle s, uint64_t max_length, int32_t variant) {
    const std::string bytes = phonetic_ascii_bytes(s.ptr());
    const DoubleMetaphoneCodes codes = double_metaphone_encode(bytes, max_length, variant);
    return nb::make_tuple(code_to_str(codes.primary), code_to_str(codes.alternate));
}

}  // namespace veltrocamber::phonetic
