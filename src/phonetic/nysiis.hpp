// NYSIIS: a name rewritten by prefix, suffix and per-letter rules.
#pragma once

#include <string>
#include <string_view>

namespace veltrocamber::phonetic {

// The NYSIIS code of `input`, uncut: long names give codes longer than the
// six letters often quoted for NYSIIS (Washington gives WASANGTAN).
std::string nysiis_encode(std::string_view input);

}  // namespace veltrocamber::phonetic
