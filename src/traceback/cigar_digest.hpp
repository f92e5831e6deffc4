// The 64-bit digest of a CIGAR text: a multiply-xor pass over its bytes from
// a fixed seed, then one more step with the text's length. The seed is
// 1469598103934665603 (0x14650fb0739d0383), not the usual FNV offset basis;
// the seed and the closing length step are part of the digest's definition.
#pragma once

#include <cstdint>
#include <string_view>

namespace veltrocamber::profile_traceback {

inline constexpr uint64_t CIGAR_DIGEST_SEED = 0x14650fb0739d0383ULL;
inline constexpr uint64_t CIGAR_DIGEST_PRIME = 0x100000001b3ULL;

constexpr uint64_t cigar_digest(std::string_view text) noexcept {
    uint64_t h = CIGAR_DIGEST_SEED;
    for (const char c : text)
        h = (h ^ static_cast<unsigned char>(c)) * CIGAR_DIGEST_PRIME;
    return (static_cast<uint64_t>(text.size()) ^ h) * CIGAR_DIGEST_PRIME;
}

}  // namespace veltrocamber::profile_traceback
