// American Soundex: a letter and three digits.
#pragma once

#include <string>
#include <string_view>

namespace veltrocamber::phonetic {

// The Soundex code of `input`: empty when it holds no ASCII letter, otherwise
// exactly four characters. Equal digits count once when they are adjacent or
// separated only by H, W or non-letters; a vowel or Y between them lets the
// second be written again. Reading stops as soon as four characters exist.
std::string soundex_encode(std::string_view input);

}  // namespace veltrocamber::phonetic
