// Python entry points of Soundex, registered by the binding table.
#pragma once

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

extern const char *const soundex_doc;
extern const char *const soundex_equal_doc;

nanobind::str py_soundex(nanobind::handle s);
bool py_soundex_equal(nanobind::handle s1, nanobind::handle s2);

}  // namespace veltrocamber::phonetic
