// Python entry point of Double Metaphone, registered by the binding table.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

namespace veltrocamber::phonetic {

extern const char *const double_metaphone_doc;

nanobind::tuple py_double_metaphone(nanobind::handle s, std::uint64_t max_length, std::int32_t variant);

}  // namespace veltrocamber::phonetic
