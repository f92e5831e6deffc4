// Python entry points of NYSIIS, registered by the binding table.
#pragma once

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

extern const char *const nysiis_doc;
extern const char *const nysiis_equal_doc;

nanobind::str py_nysiis(nanobind::handle s);
bool py_nysiis_equal(nanobind::handle s1, nanobind::handle s2);

}  // namespace veltrocamber::phonetic
