// The word arithmetic of the bit-parallel kernels, which hold a sequence as
// one bit per position in 64-bit words: position 64k + b is bit b of word k
// (bit 0 the lowest).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

namespace veltrocamber::distance {

// Positions per word; a sequence of up to this many fits in one word.
inline constexpr size_t WORD_BITS = 64;

// Words that hold n positions.
inline size_t block_count(size_t n) noexcept { return (n + WORD_BITS - 1) / WORD_BITS; }

// The n lowest bits set, for n from 1 to 64 (a shift by 64 would be
// undefined, so a full word is its own case).
inline uint64_t low_bits(size_t n) noexcept { return n == WORD_BITS ? ~uint64_t{0} : (uint64_t{1} << n) - 1; }

// a + b + carry modulo 2^64; `carry` (0 or 1) receives the carry out, so
// that a sum over many words runs word by word from the lowest.
inline uint64_t add_with_carry(uint64_t a, uint64_t b, unsigned char &carry) noexcept {
#if defined(__x86_64__)
    unsigned long long sum;
    carry = _addcarry_u64(carry, a, b, &sum);
    return sum;
#else
    const uint64_t partial = a + b;
    const uint64_t sum = partial + carry;
    carry = static_cast<unsigned char>((partial < b) | (sum < partial));
    return sum;
#endif
}

// The end of one word's column step of the edit-distance recurrence, from
// its D0 on (Levenshtein and optimal string alignment differ only in how
// they find D0): HP and HN of the word, shifted up with the top bits that
// the word below passed on (`hp_carry`, `hn_carry`, which then take this
// word's top bits), give the word's new VP and VN. HP and HN come back
// unshifted, for the distance step of the last word.
inline void finish_word(uint64_t d0, uint64_t &vp, uint64_t &vn, uint64_t &hp_carry, uint64_t &hn_carry,
                        uint64_t &hp, uint64_t &hn) noexcept {
    const uint64_t v = vp;
    hp = vn | ~(d0 | v);
    hn = d0 & v;
    const uint64_t hps = (hp << 1) | hp_carry;
    const uint64_t hns = (hn << 1) | hn_carry;
    hp_carry = hp >> 63;
    hn_carry = hn >> 63;
    vp = hns | ~(d0 | hps);
    vn = d0 & hps;
}

}  // namespace veltrocamber::distance
