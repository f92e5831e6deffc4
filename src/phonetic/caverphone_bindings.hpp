// Python entry point of Caverphone 2.0, registered by the binding table.
#pragma once

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

extern const char *const caverphone_doc;

nanobind::str py_caverphone(nanobind::handle s);

}  // namespace veltrocamber::phonetic
