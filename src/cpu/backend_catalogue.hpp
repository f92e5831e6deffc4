// The catalogue of backend kinds the package knows: which this build holds
// ("compiled") and which of those the running processor can execute
// ("available"). The tables are constant; the run-time rules are code and
// are evaluated afresh on every query.
#pragma once

#include <cstdint>
#include <vector>

namespace veltrocamber {

enum class BackendKind : int32_t {
    GENERIC = 0,
    SWAR = 1,
    X86_SSE41 = 2,
    X86_AVX2 = 3,
    X86_AVX512BWVL = 4,
    X86_AVX10_256 = 5,
    X86_AVX10_512 = 6,
    LINUX_AARCH64_NEON = 7,
    LINUX_AARCH64_SVE = 8,
    LINUX_AARCH64_SVE2 = 9,
    MACOS_ARM64_NEON = 10,
    LINUX_LOONGARCH64_LSX = 11,
    LINUX_LOONGARCH64_LASX = 12,
    LINUX_POWERPC64_VSX = 13,
    LINUX_RISCV64_RVV = 14,
};

inline constexpr int32_t backend_kind_count = 15;

struct BackendNameRow {
    BackendKind kind;
    const char *name;  // static, lower case
};

extern const BackendNameRow backend_names[backend_kind_count];
extern const uint8_t backend_compiled[backend_kind_count];

// A copy of one catalogue row with its run-time verdict.
struct BackendRecord {
    BackendKind kind;
    const char *name;
    bool compiled;
    bool available;
};

// The processor's VSX bit. Only a 64-bit PowerPC Linux build reads the
// hardware-capability word for it: on other processors that bit means
// something else, and VSX is simply absent.
bool cpu_has_vsx() noexcept;

BackendKind detect_best_backend() noexcept;
bool backend_is_available(BackendKind kind) noexcept;
std::vector<BackendRecord> available_backends();

}  // namespace veltrocamber
