"""Scalar score kernels, closed-form shortcuts and gap resolution, through the
test hooks, against the plain dynamic programmes of tests/reference."""

import random

import pytest

from reference import alignment_dp as dp

hooks = pytest.importorskip("veltrocamber._testhooks")

WIDTHS = (8, 16, 32, 64)
LIMIT = {8: 127, 16: 0x7FFF, 32: 2**31 - 1, 64: 2**63 - 1}


def admits(width, values, lq, lt):
    """The kernel-width rule: largest magnitude times total length fits."""
    return max(abs(v) for v in values) * (lq + lt) <= LIMIT[width]


def random_case(rng, alphabet, max_len, lo, hi):
    q = [rng.choice(alphabet) for _ in range(rng.randint(0, max_len))]
    t = [rng.choice(alphabet) for _ in range(rng.randint(0, max_len))]
    m, x, o, e = (rng.randint(lo, hi) for _ in range(4))
    return q, t, m, x, o, e


DNA = list(b"ACGT")
PROTEIN = list(b"ACDEFGHIKLMNPQRSTVWY")


# ---- gap resolution -------------------------------------------------------


@pytest.mark.parametrize(
    "gap, open_, extend, expected",
    [
        (-1, None, None, (-1, -1)),
        (-3, -5, None, (-5, -5)),  # open alone: linear gap of that value
        (-3, None, -1, (-3, -1)),  # extend alone: affine with open = gap_score
        (-3, -3, -3, (-3, -3)),
        (-1, -4, -2, (-4, -2)),
        (-1, True, None, (1, 1)),  # an int subclass converts
    ],
)
def test_resolve_affine_gaps(gap, open_, extend, expected):
    assert hooks.resolve_affine_gaps(gap, open_, extend) == expected


INT64_RANGE = "between -9223372036854775808 and 9223372036854775807"


@pytest.mark.parametrize(
    "open_, extend, error, message",
    [
        ("x", None, TypeError, "hooked: gap_open_score must be an int or None, not str"),
        (None, 1.5, TypeError, "hooked: gap_extend_score must be an int or None, not float"),
        (2**70, None, OverflowError, f"hooked: gap_open_score must be {INT64_RANGE}"),
        (None, -(2**63) - 1, OverflowError, f"hooked: gap_extend_score must be {INT64_RANGE}"),
    ],
)
def test_resolve_affine_gaps_rejects_unconvertible_values(open_, extend, error, message):
    with pytest.raises(error) as info:
        hooks.resolve_affine_gaps(-1, open_, extend)
    assert str(info.value) == message


def test_kernel_width_argument():
    assert hooks.kernel_width_argument(None) == 0
    assert hooks.kernel_width_argument(16) == 16
    assert hooks.kernel_width_argument(2**32 - 1) == 2**32 - 1
    for bad in (-1, 2**32):
        with pytest.raises(OverflowError, match="^hooked: width must be between 0 and 4294967295$"):
            hooks.kernel_width_argument(bad)
    with pytest.raises(TypeError, match="^hooked: width must be an int or None, not str$"):
        hooks.kernel_width_argument("8")


# ---- kernels against the reference ----------------------------------------


@pytest.mark.parametrize("width", WIDTHS)
@pytest.mark.parametrize("alphabet", [DNA, PROTEIN], ids=["dna", "protein"])
def test_linear_kernels_match_reference(width, alphabet):
    rng = random.Random(width * 31 + len(alphabet))
    checked = 0
    while checked < 60:
        q, t, m, x, g, _ = random_case(rng, alphabet, 20, -4, 4)
        if not admits(width, (m, x, g), len(q), len(t)):
            continue
        checked += 1
        args = (q, t, m, x, g)
        assert hooks.smith_waterman_linear_score(width, *args) == dp.local_linear(*args), args
        assert hooks.smith_waterman_linear_codes(width, *args) == dp.local_linear(*args), args
        assert hooks.needleman_wunsch_linear_score(width, *args) == dp.global_linear(*args), args


@pytest.mark.parametrize("width", WIDTHS)
@pytest.mark.parametrize("alphabet", [DNA, PROTEIN], ids=["dna", "protein"])
def test_affine_kernels_match_reference(width, alphabet):
    rng = random.Random(width * 17 + len(alphabet))
    checked = 0
    while checked < 60:
        q, t, m, x, o, e = random_case(rng, alphabet, 20, -4, 4)
        if not admits(width, (m, x, o, e), len(q), len(t)):
            continue
        checked += 1
        args = (q, t, m, x, o, e)
        local = dp.local_affine(*args)
        assert hooks.smith_waterman_affine_scalar(width, *args) == local, args
        assert hooks.smith_waterman_affine_score_wide(*args) == local, args
        assert hooks.needleman_wunsch_affine_score_wide(*args) == dp.global_affine(*args), args


def test_kernels_on_longer_sequences():
    rng = random.Random(5)
    for _ in range(3):
        q = [rng.choice(DNA) for _ in range(rng.randint(80, 150))]
        t = [rng.choice(DNA) for _ in range(rng.randint(80, 150))]
        assert hooks.smith_waterman_affine_scalar(16, q, t, 2, -3, -5, -2) == dp.local_affine(q, t, 2, -3, -5, -2)
        assert hooks.needleman_wunsch_affine_score_wide(q, t, 2, -3, -5, -2) == dp.global_affine(q, t, 2, -3, -5, -2)
        assert hooks.smith_waterman_linear_score(16, q, t, 2, -3, -2) == dp.local_linear(q, t, 2, -3, -2)
        assert hooks.needleman_wunsch_linear_score(16, q, t, 2, -3, -2) == dp.global_linear(q, t, 2, -3, -2)


def test_wide_tokens_compare_by_full_value():
    # 0x100 and 0x200 agree in their low byte; a 16-bit kernel must see them differ.
    q, t = [0x100, 0x100], [0x200, 0x100]
    assert hooks.smith_waterman_linear_score(16, q, t, 2, -1, -1) == 2
    assert hooks.needleman_wunsch_linear_score(64, [2**40], [2**40 + 1], 2, -1, -1) == -1


@pytest.mark.parametrize("width", WIDTHS)
def test_empty_sides(width):
    a = list(b"ACG")
    for q, t in [([], []), (a, []), ([], a)]:
        assert hooks.smith_waterman_linear_score(width, q, t, 2, -1, -1) == 0
        assert hooks.smith_waterman_affine_scalar(width, q, t, 2, -1, -3, -1) == 0
        assert hooks.needleman_wunsch_linear_score(width, q, t, 2, -1, -2) == -2 * (len(q) + len(t))
    assert hooks.smith_waterman_affine_score_wide(a, [], 2, -1, -3, -1) == 0
    assert hooks.needleman_wunsch_affine_score_wide([], [], 2, -1, -3, -1) == 0
    assert hooks.needleman_wunsch_affine_score_wide(a + a, [], 2, -1, -3, -1) == -3 - 5
    assert hooks.needleman_wunsch_affine_score_wide([], a, 2, -1, -3, -1) == -5


def test_documented_examples():
    # positive linear gap adds like any score
    assert hooks.smith_waterman_linear_score(8, [1], [2], 2, -1, 1) == 1
    # all mismatches, negative values: a local score never drops below 0
    assert hooks.smith_waterman_linear_score(8, list(b"AAA"), list(b"CCC"), 2, -1, -1) == 0
    # global affine: one mismatch (-1) beats two single gaps (-6)
    assert hooks.needleman_wunsch_affine_score_wide([1], [2], 2, -1, -3, -1) == -1
    # a gap of length 3 inside a local alignment: 8 matches - (3 + 2)
    q = list(b"ACGTACGTTTT")
    t = list(b"ACGTAAACGTTTT")
    for width in WIDTHS:
        assert hooks.smith_waterman_affine_scalar(width, q, t, 3, -3, -3, -1) == dp.local_affine(q, t, 3, -3, -3, -1)


def test_narrow_members_agree_where_the_width_rule_admits_them():
    rng = random.Random(11)
    for _ in range(40):
        q, t, m, x, o, e = random_case(rng, DNA, 15, -3, 3)
        values = [hooks.smith_waterman_affine_scalar(w, q, t, m, x, o, e) for w in WIDTHS
                  if admits(w, (m, x, o, e), len(q), len(t))]
        assert len(set(values)) == 1


def test_wide_kernels_read_values_near_the_sentinel_as_minus_infinity():
    # Far below any real score the wide global kernel still treats the
    # boundary as finite when the bound admits it: open -2**59, three symbols.
    g = -(2**59) // 4
    assert hooks.needleman_wunsch_affine_score_wide([1, 2], [1], 2, -1, g, -1) == max(2 + g, -1 + g, 2 * g - 1 + g)


# ---- shortcuts ------------------------------------------------------------


def test_uniform_local_score_examples():
    assert hooks.uniform_local_score(3, 5, 2, -1) == 6
    assert hooks.uniform_local_score(2, 2, 3, 2) == 7
    assert hooks.uniform_local_score(2, 2, 5, 2) == 10
    assert hooks.uniform_local_score(3, 4, -1, 2) == 12
    assert hooks.uniform_local_score(0, 4, 5, 2) == 0


SEVEN = list(b"ACGTTGA")


@pytest.mark.parametrize(
    "local, q, t, m, x, g, expected",
    [
        (True, [], list(b"AC"), 5, 9, 3, (0, True)),
        (True, list(b"AAA"), list(b"AAAAA"), 2, 2, -1, (6, True)),
        (True, SEVEN, SEVEN, 2, -1, -1, (14, True)),
        (True, list(b"ACGT"), list(b"TTTT"), 2, -1, -1, (0, False)),  # shares T: kernel
        (True, list(b"ACG"), list(b"TTTT"), 2, -1, -1, (0, True)),  # disjoint
        (True, list(b"abcd"), list(b"acbd"), 2, -1, 0, (6, True)),
        (True, list(b"ab"), list(b"ba"), 1, 3, -1, (0, False)),  # x > m > 0
        (True, list(b"ab"), list(b"ba"), -1, -2, -1, (0, True)),
        (True, list(b"abc"), list(b"abcd"), -1, -1, 2, (12, True)),
        (True, list(b"abc"), list(b"abd"), 2, -1, 1, (0, False)),
        (False, [], list(b"AC"), 5, 9, -3, (-6, True)),
        (False, [], [], 5, 9, -3, (0, True)),
        (False, list(b"AAAA"), list(b"ABABAB"), 1, 1, -1, (2, True)),
        (False, list(b"AAAA"), list(b"ABABAB"), -3, -3, -1, (-10, True)),
        (False, list(b"abcd"), list(b"acbd"), 2, -1, 0, (6, True)),
        (False, list(b"abcd"), list(b"acbd"), 2, -1, -1, (0, False)),
        (False, list(b"abcd"), list(b"acbd"), 0, -1, 0, (0, False)),
        (False, SEVEN, SEVEN, 2, -1, -1, (14, True)),
    ],
)
@pytest.mark.parametrize("width", WIDTHS)
def test_shortcut_cases(width, local, q, t, m, x, g, expected):
    fn = hooks.local_score_shortcut if local else hooks.global_score_shortcut
    score, handled = fn(width, q, t, m, x, g)
    assert handled == expected[1]
    if handled:
        assert score == expected[0]


def test_large_tokens_never_take_the_disjointness_rule():
    assert hooks.local_score_shortcut(16, [300, 1], [2, 3], 2, -1, -1) == (0, False) or \
        not hooks.local_score_shortcut(16, [300, 1], [2, 3], 2, -1, -1)[1]
    assert not hooks.symbols_disjoint(16, [300], [2])
    assert not hooks.symbols_disjoint(32, [2], [70000])
    assert hooks.symbols_disjoint(16, [1, 2], [3, 4])
    assert not hooks.symbols_disjoint(8, [1, 2], [3, 2])


@pytest.mark.parametrize("width", WIDTHS)
def test_handled_shortcuts_equal_the_dynamic_programme(width):
    rng = random.Random(100 + width)
    seen = 0
    for _ in range(400):
        alphabet = rng.choice([DNA[:2], DNA, PROTEIN])
        q, t, m, x, g, _ = random_case(rng, alphabet, 10, -3, 3)
        if rng.random() < 0.2:
            t = list(q)
        for local in (True, False):
            fn = hooks.local_score_shortcut if local else hooks.global_score_shortcut
            score, handled = fn(width, q, t, m, x, g)
            if handled:
                seen += 1
                ref = (dp.local_linear if local else dp.global_linear)(q, t, m, x, g)
                assert score == ref, (local, q, t, m, x, g)
    assert seen > 100


@pytest.mark.parametrize("width", WIDTHS)
def test_lcs_length_bit_parallel(width):
    rng = random.Random(7 + width)
    big = 1 << (width - 1)
    for n in (0, 1, 63, 64, 65, 130):
        for alphabet in ([1, 2], [1, 2, 3, 4], [big, 5, big + 3]):
            a = [rng.choice(alphabet) for _ in range(n)]
            b = [rng.choice(alphabet) for _ in range(rng.randint(0, 140))]
            assert hooks.lcs_length_bit_parallel(width, a, b) == dp.lcs_length(a, b)
