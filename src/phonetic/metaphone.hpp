// Metaphone: a variable-length code of consonant sounds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veltrocamber::phonetic {

// The value of `variant` that selects the alternative rule family; every
// other value selects the standard one.
inline constexpr int32_t metaphone_alternative_variant = 1;

// The Metaphone code of `input`. `variant` 1 writes X for the CH of SCH and
// KH for a final GH; the standard family writes K and ends the code there.
std::string metaphone_encode(std::string_view input, int32_t variant);

}  // namespace veltrocamber::phonetic
