// SIMD within a register: 8, 4 or 2 signed lanes of 8, 16 or 32 bits in one
// unsigned 64-bit word, for the striped alignment kernels.
//
// Lane k occupies bits k*w .. k*w + w - 1 (lane 0 is the least significant)
// and holds a two's-complement value of w bits. Every operation works on the
// whole word with ordinary integer instructions: additions wrap per lane and
// never carry into the neighbour, comparisons are signed. Nothing saturates
// and nothing checks for overflow; the kernel-width rule keeps real values
// inside the lane type.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace veltrocamber::align {

template <typename Lane>
struct SwarLanes {
    static_assert(std::is_same_v<Lane, int8_t> || std::is_same_v<Lane, int16_t> || std::is_same_v<Lane, int32_t>);
    using ULane = std::make_unsigned_t<Lane>;
    static constexpr unsigned bits = 8 * sizeof(Lane);
    static constexpr unsigned count = 64 / bits;
    static constexpr uint64_t lane_mask = (uint64_t(1) << bits) - 1;
    static constexpr uint64_t splat_multiplier = ~uint64_t(0) / lane_mask;  // 0x0101.., 0x0001.., 0x00000001..
    static constexpr uint64_t high = splat_multiplier << (bits - 1);          // each lane's sign bit
    static constexpr uint64_t low = ~high;                                    // all bits but the sign bits
    static constexpr Lane minimum = static_cast<Lane>(ULane(1) << (bits - 1));
};

// A word whose every lane is v narrowed to the lane width.
template <typename Lane>
constexpr uint64_t swar_splat(int64_t v) noexcept {
    using S = SwarLanes<Lane>;
    return (static_cast<uint64_t>(v) & S::lane_mask) * S::splat_multiplier;
}

template <typename Lane>
constexpr uint64_t swar_add(uint64_t a, uint64_t b) noexcept {
    using S = SwarLanes<Lane>;
    return ((a & S::low) + (b & S::low)) ^ ((a ^ b) & S::high);
}

namespace swar_detail {

// Widens each lane's sign bit (the only bit set per lane in m) to the whole
// lane: the lane's 0 or 1 times the lane mask never carries.
template <typename Lane>
constexpr uint64_t spread_sign_bits(uint64_t m) noexcept {
    return (m >> (SwarLanes<Lane>::bits - 1)) * SwarLanes<Lane>::lane_mask;
}

// Sign bit of each lane set where a >= b, lanes read as signed. Where the
// signs differ, a >= b exactly when b is the negative one; where they agree,
// the low bits decide, compared by a subtraction whose forced top bit keeps
// the borrow inside the lane.
template <typename Lane>
constexpr uint64_t signed_ge_bits(uint64_t a, uint64_t b) noexcept {
    using S = SwarLanes<Lane>;
    const uint64_t low_ge = (a | S::high) - (b & S::low);
    return (low_ge ^ ((low_ge ^ b) & (a ^ b))) & S::high;
}

// Sign bit of each lane set where the lane is zero.
template <typename Lane>
constexpr uint64_t zero_lane_bits(uint64_t a) noexcept {
    using S = SwarLanes<Lane>;
    return ~(((a & S::low) + S::low) | a) & S::high;
}

}  // namespace swar_detail

// All ones in each lane where a >= b (signed).
template <typename Lane>
constexpr uint64_t swar_ge_mask(uint64_t a, uint64_t b) noexcept {
    return swar_detail::spread_sign_bits<Lane>(swar_detail::signed_ge_bits<Lane>(a, b));
}

// True when a >= b (signed) in every lane.
template <typename Lane>
constexpr bool swar_all_ge(uint64_t a, uint64_t b) noexcept {
    return swar_detail::signed_ge_bits<Lane>(a, b) == SwarLanes<Lane>::high;
}

// All ones in each lane where f > h (signed, strict): nonzero when some lane rose.
template <typename Lane>
constexpr uint64_t swar_greater_mask(uint64_t f, uint64_t h) noexcept {
    return swar_detail::spread_sign_bits<Lane>(swar_detail::signed_ge_bits<Lane>(h, f) ^ SwarLanes<Lane>::high);
}

template <typename Lane>
constexpr uint64_t swar_max(uint64_t a, uint64_t b) noexcept {
    return b ^ ((a ^ b) & swar_ge_mask<Lane>(a, b));
}

// max(h, f) together with whether some lane of f exceeded h: the lazy-F
// sweeps need both, and they share one comparison.
template <typename Lane>
constexpr uint64_t swar_raise(uint64_t h, uint64_t f, bool &rose) noexcept {
    const uint64_t h_ge = swar_detail::signed_ge_bits<Lane>(h, f);
    rose = h_ge != SwarLanes<Lane>::high;
    return f ^ ((h ^ f) & swar_detail::spread_sign_bits<Lane>(h_ge));
}

// Negative lanes set to 0.
template <typename Lane>
constexpr uint64_t swar_floor0(uint64_t a) noexcept {
    return a & ~swar_detail::spread_sign_bits<Lane>(a & SwarLanes<Lane>::high);
}

// Lane k receives lane k - 1; lane 0 receives 0 and the top lane falls out.
template <typename Lane>
constexpr uint64_t swar_shift_up(uint64_t a) noexcept {
    return a << SwarLanes<Lane>::bits;
}

// True when some lane, read as signed, is > 0.
template <typename Lane>
constexpr bool swar_any_positive(uint64_t a) noexcept {
    using S = SwarLanes<Lane>;
    return (~swar_detail::zero_lane_bits<Lane>(a) & ~a & S::high) != 0;
}

// Lanes that hold the lane minimum (minus infinity of the global kernels)
// keep it; every other lane adds b, wrapping.
template <typename Lane>
constexpr uint64_t swar_guarded_add(uint64_t a, uint64_t b) noexcept {
    using S = SwarLanes<Lane>;
    const uint64_t neg = swar_detail::spread_sign_bits<Lane>(swar_detail::zero_lane_bits<Lane>(a ^ S::high));
    return swar_add<Lane>(a, b & ~neg);
}

// ---- Lanes known to be non-negative -------------------------------------
//
// When every lane holds a value in [0, 2^(w-1)) (sign bit clear), a lane's
// sign bit is free to catch the borrow of a subtraction: (a | high) - b
// never borrows out of a lane for b <= 2^(w-1), and its sign bit is then set
// exactly where a >= b, with a - b in the low bits there. That makes max,
// compare and subtract-with-floor-at-0 a handful of plain word operations,
// about half of what the general signed forms above cost.

namespace swar_detail {

// All low bits of each lane whose sign bit is set in x (x has no other bits).
template <typename Lane>
constexpr uint64_t low_bits_where(uint64_t x) noexcept {
    return x - (x >> (SwarLanes<Lane>::bits - 1));
}

}  // namespace swar_detail

// max(a - c, 0) per lane, for a in [0, 2^(w-1)) and c in [0, 2^(w-1)].
template <typename Lane>
constexpr uint64_t swar_nonneg_sub_floor0(uint64_t a, uint64_t c) noexcept {
    using S = SwarLanes<Lane>;
    const uint64_t d = (a | S::high) - c;
    return d & swar_detail::low_bits_where<Lane>(d & S::high);
}

// max(a, b) per lane, both in [0, 2^(w-1)), from a_high = a | high (the
// form in which a kernel may already hold a): b + max(a - b, 0) in six
// operations, one fewer than from a itself.
template <typename Lane>
constexpr uint64_t swar_nonneg_max_high(uint64_t a_high, uint64_t b) noexcept {
    using S = SwarLanes<Lane>;
    const uint64_t d = a_high - b;
    return b + (d & swar_detail::low_bits_where<Lane>(d & S::high));
}

// max(a, b) per lane, both in [0, 2^(w-1)).
template <typename Lane>
constexpr uint64_t swar_nonneg_max(uint64_t a, uint64_t b) noexcept {
    return swar_nonneg_max_high<Lane>(a | SwarLanes<Lane>::high, b);
}

// max(h, f) together with whether some lane of f exceeded h, both in
// [0, 2^(w-1)).
template <typename Lane>
constexpr uint64_t swar_nonneg_raise(uint64_t h, uint64_t f, bool &rose) noexcept {
    using S = SwarLanes<Lane>;
    const uint64_t d = (h | S::high) - f;
    const uint64_t h_ge = d & S::high;
    rose = h_ge != S::high;
    return f + (d & swar_detail::low_bits_where<Lane>(h_ge));
}

// True when a >= b in every lane, both in [0, 2^(w-1)).
template <typename Lane>
constexpr bool swar_nonneg_all_ge(uint64_t a, uint64_t b) noexcept {
    using S = SwarLanes<Lane>;
    return (((a | S::high) - b) & S::high) == S::high;
}

// max(a + s, 0) per lane, for a in [0, 2^(w-1)) and s signed with a + s
// inside the signed lane range; s = the lane minimum gives 0. The sign bit
// of s is flipped (s + 2^(w-1) in [0, 2^w)), so the plain sum stays inside
// the lane and its sign bit tells a + s >= 0.
template <typename Lane>
constexpr uint64_t swar_nonneg_add_signed_floor0(uint64_t a, uint64_t s) noexcept {
    using S = SwarLanes<Lane>;
    const uint64_t d = a + (s ^ S::high);
    return d & swar_detail::low_bits_where<Lane>(d & S::high);
}

// a + s per lane, for a in [0, 2^(w-1)) and s signed with a + s in
// [0, 2^(w-1)): the same flipped sum, the sign bit flipped back.
template <typename Lane>
constexpr uint64_t swar_nonneg_add_signed(uint64_t a, uint64_t s) noexcept {
    using S = SwarLanes<Lane>;
    return (a + (s ^ S::high)) ^ S::high;
}

template <typename Lane>
constexpr Lane swar_lane(uint64_t a, unsigned k) noexcept {
    using S = SwarLanes<Lane>;
    return static_cast<Lane>(static_cast<typename S::ULane>(a >> (k * S::bits)));
}

template <typename Lane>
constexpr uint64_t swar_with_lane(uint64_t a, unsigned k, Lane v) noexcept {
    using S = SwarLanes<Lane>;
    const unsigned shift = k * S::bits;
    return (a & ~(S::lane_mask << shift)) |
           (static_cast<uint64_t>(static_cast<typename S::ULane>(v)) << shift);
}

// The largest lane read as signed, lane 0 first raised to 0: never negative.
template <typename Lane>
constexpr int64_t swar_horizontal_max_floor0(uint64_t a) noexcept {
    int64_t best = swar_lane<Lane>(a, 0);
    if (best < 0)
        best = 0;
    for (unsigned k = 1; k < SwarLanes<Lane>::count; ++k) {
        const int64_t v = swar_lane<Lane>(a, k);
        if (v > best)
            best = v;
    }
    return best;
}

// Words are stored as runs of lane elements; these move one word in or out
// without aliasing the lane storage.
template <typename Lane>
inline uint64_t load_word(const Lane *p) noexcept {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

template <typename Lane>
inline void store_word(Lane *p, uint64_t w) noexcept {
    std::memcpy(p, &w, sizeof w);
}

}  // namespace veltrocamber::align
