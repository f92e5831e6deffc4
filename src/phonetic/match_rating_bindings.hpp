// Python entry points of the Match Rating Approach, registered by the
// binding table.
#pragma once

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

extern const char *const match_rating_codex_doc;
extern const char *const match_rating_compare_doc;

nanobind::str py_match_rating_codex(nanobind::handle s);
bool py_match_rating_compare(nanobind::handle s1, nanobind::handle s2);

}  // namespace veltrocamber::phonetic
