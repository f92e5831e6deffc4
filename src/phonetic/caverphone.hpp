// Caverphone 2.0: a ten-character code from whole-string rewriting rules.
//
// The working text mixes three alphabets: lower-case letters are still to be
// rewritten, the digit 2 marks a letter that will be dropped and 3 a vowel
// position, and upper-case letters are settled (no later rule matches them).
// Every rewrite keeps the length; only the run collapse and the removals
// shorten the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrocamber::phonetic {

inline constexpr size_t caverphone_code_length = 10;

// The Caverphone 2.0 code of `input`: always ten characters, upper-case
// letters right-padded with '1' (all '1' when the input has no ASCII letter).
std::string caverphone_encode(std::string_view input);

}  // namespace veltrocamber::phonetic
