// Double Metaphone: a primary code for the most likely pronunciation of a
// name and an alternate code for a second reasonable one.
//
// The encoder reads a byte string, keeps its ASCII letters upper-cased (the
// working word) and walks it with one rule table per letter; the first row
// whose condition holds writes its output and says where to go next. Every
// position test is made on the working word itself, with no blank padding
// at either end: a test that reaches before the start or past the end is
// simply false, and a letter outside the word equals no letter and is not a
// vowel.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veltrocamber::phonetic {

// The two codes of one name. `alternate` is empty when it would equal
// `primary`; both are empty for a name without ASCII letters.
struct DoubleMetaphoneCodes {
    std::string primary;
    std::string alternate;
};

// The primary and alternate codes of `input`, each at most max_length
// characters. variant 1 makes a GH after a vowel at position 1 or 2 repeat
// each code's last character; every other value gives the standard rules.
DoubleMetaphoneCodes double_metaphone_encode(std::string_view input, std::uint64_t max_length, std::int32_t variant);

}  // namespace veltrocamber::phonetic
