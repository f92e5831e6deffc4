#include "phonetic/double_metaphone_bindings.hpp"

#include <string>

#include "phonetic/double_metaphone.hpp"
#include "phonetic/phonetic_input.hpp"

namespace nb = nanobind;

namespace veltrocamber::phonetic {

const char *const double_metaphone_doc =
    "Double Metaphone phonetic codes (Lawrence Philips, 2000).\n"
    "\n"
    "Returns a ``(primary, alternate)`` tuple of phonetic codes. The alternate\n"
    "is the empty string when the name has only one reasonable encoding.\n"
    "``max_length`` defaults to 64 (effectively unbounded); 4 gives the\n"
    "classical fixed-length form. ``variant`` is described by\n"
    "``DoubleMetaphoneVariant``.";

// nanobind has already converted max_length and variant (a value out of
// range never reaches here), so the string is converted last.
nb::tuple py_double_metaphone(nb::handle s, std::uint64_t max_length, std::int32_t variant) {
    const std::string bytes = phonetic_ascii_bytes(s.ptr());
    const DoubleMetaphoneCodes codes = double_metaphone_encode(bytes, max_length, variant);
    return nb::make_tuple(code_to_str(codes.primary), code_to_str(codes.alternate));
}

}  // namespace veltrocamber::phonetic
