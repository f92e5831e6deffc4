"""The _cpu backend catalogue."""

import enum

import pytest

from veltrocamber import _cpu

NAMES = [
    "generic", "swar", "x86_sse41", "x86_avx2", "x86_avx512bwvl", "x86_avx10_256", "x86_avx10_512",
    "linux_aarch64_neon", "linux_aarch64_sve", "linux_aarch64_sve2", "macos_arm64_neon",
    "linux_loongarch64_lsx", "linux_loongarch64_lasx", "linux_powerpc64_vsx", "linux_riscv64_rvv",
]
COMPILED = {0, 1, 13}


def test_backend_kind_is_a_plain_enum():
    assert issubclass(_cpu.BackendKind, enum.Enum)
    assert not issubclass(_cpu.BackendKind, int)
    assert [(m.name, m.value) for m in _cpu.BackendKind] == [(n.upper(), i) for i, n in enumerate(NAMES)]


def test_available_backends_records():
    records = _cpu.available_backends()
    assert len(records) == 15
    for i, r in enumerate(records):
        assert r.kind == _cpu.BackendKind(i) and r.kind.value == i
        assert r.name == NAMES[i]
        assert r.compiled is (i in COMPILED)
    # This build targets a processor without VSX (the test suite runs on x86-64 or ARM).
    assert [r.kind.value for r in records if r.available] == [0, 1]
    again = _cpu.available_backends()
    assert again[0] is not records[0] and again[0].name == records[0].name


def test_detect_and_availability():
    assert _cpu.detect_best_backend() == _cpu.BackendKind.GENERIC
    assert _cpu.backend_is_available(_cpu.BackendKind.SWAR) is True
    assert _cpu.backend_is_available(_cpu.BackendKind.GENERIC) is True
    assert _cpu.backend_is_available(_cpu.BackendKind.LINUX_POWERPC64_VSX) is False
    assert _cpu.backend_is_available(_cpu.BackendKind.MACOS_ARM64_NEON) is False  # rule true, not compiled
    assert _cpu.backend_is_available(_cpu.BackendKind.X86_AVX2) is False
    assert _cpu.backend_is_available(1) is True
    assert _cpu.backend_is_available(kind=0) is True


@pytest.mark.parametrize("bad", [15, -1, "swar", None, 1.0])
def test_backend_is_available_rejects_non_members(bad):
    with pytest.raises(TypeError):
        _cpu.backend_is_available(bad)


def test_record_is_not_constructible_and_read_only():
    with pytest.raises(TypeError, match="BackendRecord: no constructor defined!"):
        _cpu.BackendRecord()
    r = _cpu.available_backends()[1]
    for name in ("kind", "name", "compiled", "available"):
        with pytest.raises(AttributeError):
            setattr(r, name, None)
