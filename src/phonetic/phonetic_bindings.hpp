// Python entry points of the phonetic encoders and their docstrings,
// registered by the binding table.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

extern const char *const SOUNDEX_DOC;
extern const char *const SOUNDEX_EQUAL_DOC;
extern const char *const METAPHONE_DOC;
extern const char *const METAPHONE_EQUAL_DOC;
extern const char *const NYSIIS_DOC;
extern const char *const NYSIIS_EQUAL_DOC;
extern const char *const MATCH_RATING_CODEX_DOC;
extern const char *const MATCH_RATING_COMPARE_DOC;
extern const char *const CAVERPHONE_DOC;
extern const char *const DOUBLE_METAPHONE_DOC;

nanobind::str py_soundex(nanobind::handle s);
bool py_soundex_equal(nanobind::handle s1, nanobind::handle s2);

nanobind::str py_metaphone(nanobind::handle s, int32_t variant);
bool py_metaphone_equal(nanobind::handle s1, nanobind::handle s2, int32_t variant);

nanobind::str py_nysiis(nanobind::handle s);
bool py_nysiis_equal(nanobind::handle s1, nanobind::handle s2);

nanobind::str py_match_rating_codex(nanobind::handle s);
bool py_match_rating_compare(nanobind::handle s1, nanobind::handle s2);

nanobind::str py_caverphone(nanobind::handle s);

nanobind::tuple py_double_metaphone(nanobind::handle s, uint64_t max_length, int32_t variant);

}  // namespace veltrocamber::phonetic
