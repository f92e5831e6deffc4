// Python entry points of Metaphone, registered by the binding table.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

extern const char *const metaphone_doc;
extern const char *const metaphone_equal_doc;

nanobind::str py_metaphone(nanobind::handle s, int32_t variant);
bool py_metaphone_equal(nanobind::handle s1, nanobind::handle s2, int32_t variant);

}  // namespace veltrocamber::phonetic
