// Letter tests shared by the phonetic encoders.
//
// The encoders read plain bytes and recognise exactly 'A'-'Z' and 'a'-'z' as
// letters, whatever the locale: bytes 0x80-0xFF are never letters, so a
// one-byte str with accented characters encodes as its ASCII letters alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrocamber::phonetic {

// True for 'A'-'Z' and 'a'-'z': clearing bit 0x20 folds lower case onto upper
// case and leaves every other byte outside 'A'-'Z'.
constexpr bool is_ascii_letter(char c) noexcept {
    return static_cast<unsigned char>((static_cast<unsigned char>(c) & 0xDFu) - 'A') < 26u;
}

// Upper case of a byte already known to be an ASCII letter.
constexpr char upper_letter(char c) noexcept { return static_cast<char>(static_cast<unsigned char>(c) & 0xDFu); }

// A, E, I, O, U in upper case (Y is a consonant for every encoder here).
constexpr bool is_upper_vowel(char c) noexcept {
    return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}

// The ASCII letters of `input`, upper-cased, in order; every other byte is
// dropped.
inline std::string upper_ascii_letters(std::string_view input) {
    std::string out;
    out.reserve(input.size());
    for (char c : input)
        if (is_ascii_letter(c))
            out.push_back(upper_letter(c));
    return out;
}

}  // namespace veltrocamber::phonetic
