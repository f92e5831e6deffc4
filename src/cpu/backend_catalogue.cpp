#include "cpu/backend_catalogue.hpp"

#if defined(__linux__) && defined(__powerpc64__)
#include <sys/auxv.h>
#endif

namespace veltrocamber {

const BackendNameRow backend_names[backend_kind_count] = {
    {BackendKind::GENERIC, "generic"},
    {BackendKind::SWAR, "swar"},
    {BackendKind::X86_SSE41, "x86_sse41"},
    {BackendKind::X86_AVX2, "x86_avx2"},
    {BackendKind::X86_AVX512BWVL, "x86_avx512bwvl"},
    {BackendKind::X86_AVX10_256, "x86_avx10_256"},
    {BackendKind::X86_AVX10_512, "x86_avx10_512"},
    {BackendKind::LINUX_AARCH64_NEON, "linux_aarch64_neon"},
    {BackendKind::LINUX_AARCH64_SVE, "linux_aarch64_sve"},
    {BackendKind::LINUX_AARCH64_SVE2, "linux_aarch64_sve2"},
    {BackendKind::MACOS_ARM64_NEON, "macos_arm64_neon"},
    {BackendKind::LINUX_LOONGARCH64_LSX, "linux_loongarch64_lsx"},
    {BackendKind::LINUX_LOONGARCH64_LASX, "linux_loongarch64_lasx"},
    {BackendKind::LINUX_POWERPC64_VSX, "linux_powerpc64_vsx"},
    {BackendKind::LINUX_RISCV64_RVV, "linux_riscv64_rvv"},
};

const uint8_t backend_compiled[backend_kind_count] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};

bool cpu_has_vsx() noexcept {
#if defined(__linux__) && defined(__powerpc64__)
    constexpr unsigned long ppc_feature_has_vsx = 0x00000080;
    return (getauxval(AT_HWCAP) & ppc_feature_has_vsx) != 0;
#else
    return false;
#endif
}

namespace {

bool runtime_rule(BackendKind kind) noexcept {
    switch (kind) {
        case BackendKind::GENERIC:
        case BackendKind::SWAR:
        case BackendKind::MACOS_ARM64_NEON: return true;
        case BackendKind::LINUX_POWERPC64_VSX: return cpu_has_vsx();
        default: return false;
    }
}

}  // namespace

BackendKind detect_best_backend() noexcept {
    return cpu_has_vsx() ? BackendKind::LINUX_POWERPC64_VSX : BackendKind::GENERIC;
}

bool backend_is_available(BackendKind kind) noexcept {
    const auto value = static_cast<int32_t>(kind);
    if (value < 0 || value >= backend_kind_count)
        return false;
    if (!backend_compiled[value])
        return false;
    return runtime_rule(kind);
}

std::vector<BackendRecord> available_backends() {
    std::vector<BackendRecord> out;
    out.reserve(backend_kind_count);
    for (int32_t i = 0; i < backend_kind_count; ++i) {
        const BackendNameRow &row = backend_names[i];
        const bool compiled = backend_compiled[i] != 0;
        out.push_back(BackendRecord{row.kind, row.name, compiled, compiled && runtime_rule(row.kind)});
    }
    return out;
}

}  // namespace veltrocamber
