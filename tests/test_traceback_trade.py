"""The divide-and-conquer linear CIGAR and the trade drivers:
smith_waterman_trade_cigar, and the global driver behind the
Needleman-Wunsch CIGAR. Above 4096 cells the split may choose another
optimal alignment than a full matrix, so large cases are rescored."""

import random

import pytest

from reference import linear_memory_reference as lm
from reference import traceback_reference as ref
from veltrocamber import _swar


def random_pair(rng, n, m, alphabet="ACGT"):
    return (bytes(rng.choice(alphabet.encode()) for _ in range(n)),
            bytes(rng.choice(alphabet.encode()) for _ in range(m)))


def mutate(rng, seq, rate=0.1, alphabet=b"ACGT"):
    out = bytearray()
    for c in seq:
        r = rng.random()
        if r < rate / 3:
            continue
        if r < 2 * rate / 3:
            out.append(rng.choice(alphabet))
        out.append(c if r >= rate else rng.choice(alphabet))
    return bytes(out)


# ---- the split (test hooks) ----

SPLIT_SHAPES = [(0, 0), (0, 5), (3, 0), (1, 1), (64, 64), (64, 65), (65, 64), (101, 60), (1, 5000), (2, 3000),
                (3, 1500), (70, 90), (150, 40)]


@pytest.mark.parametrize("qlen, tlen", SPLIT_SHAPES)
def test_split_is_the_models(hooks, qlen, tlen):
    rng = random.Random(qlen * 7919 + tlen)
    q, t = random_pair(rng, qlen, tlen, "ACG")
    for scores in ((2, -1, -1), (0, -1, -1), (1, -3, 0)):
        expected = lm.hirschberg(q, t, *scores)
        for width in (16, 64):
            assert hooks.hirschberg_operations(q, t, *scores, width) == expected
            assert hooks.hirschberg_operations(q, t, *scores, width, reversed=True) == expected
        assert lm.linear_score(expected, q, t, *scores) == (lm.last_row(q, t, *scores)[-1], qlen, tlen)


def test_block_base_case_is_the_full_matrix_walk(hooks):
    rng = random.Random(11)
    q, t = random_pair(rng, 64, 64, "AC")  # 4096 cells: one block, the full matrix's ties
    assert hooks.hirschberg_operations(q, t, 2, -1, -1, 16) == ref.linear_path(False, q, t, 2, -1, -1)["operations"]
    # one token against a long target is solved as one block too
    q, t = b"G", bytes(rng.choice(b"ACG") for _ in range(9000))
    assert hooks.hirschberg_operations(q, t, 2, -1, -1, 16) == ref.linear_path(False, q, t, 2, -1, -1)["operations"]


def test_lowest_split_column_among_equal_sums(hooks):
    # every column of the top row ties: the upper half takes the shortest
    # target prefix, so the insertions come after the query's first half
    q, t = b"AB" * 40, b"AB" * 40 + b"C" * 60
    ops = hooks.hirschberg_operations(q, t, 0, -1, -1, 16)
    assert ops == lm.hirschberg(q, t, 0, -1, -1)
    assert lm.linear_score(ops, q, t, 0, -1, -1) == (-60, 80, 140)


# ---- the local driver ----

@pytest.mark.parametrize(
    "query, target, kw, expected",
    [
        (b"", b"ACGT", {}, ""),
        ("ACGT", "", {"gap_score": 0}, ""),
        ("ABC", "XYZ", {}, ""),
        ("ACGT", "ACGT", {}, "4="),
        ("AB", "BA", {}, "1="),  # the end cell is the first maximum, rows outer
        ("BCAB", "ACB", dict(match_score=3, mismatch_score=-3, gap_score=-1), "1=1I1="),
    ],
)
def test_local_cases(query, target, kw, expected):
    assert _swar.smith_waterman_trade_cigar(query, target, **kw) == expected


def local_check(text, query, target, **kw):
    """The text scores smith_waterman_score on stretches that end at the end
    cell of the full-matrix kernels (the first maximum, shared by both)."""
    scores = (kw.get("match_score", 2), kw.get("mismatch_score", -1), kw.get("gap_score", -1))
    ops = ref.operations_of(text)
    info = _swar.smith_waterman_path_info(query, target, **kw)
    qn, tn = sum(op in "=XD" for op in ops), sum(op in "=XI" for op in ops)
    qs, ts = query[info.query_end - qn : info.query_end], target[info.target_end - tn : info.target_end]
    assert lm.linear_score(ops, qs, ts, *scores) == (_swar.smith_waterman_score(query, target, **kw), qn, tn)


def test_local_driver_may_choose_another_optimal_alignment():
    kw = dict(match_score=3, mismatch_score=-3, gap_score=-1)
    assert _swar.smith_waterman_cigar("BCAB", "ACB", **kw) == "1=1D1="
    assert _swar.smith_waterman_trade_cigar("BCAB", "ACB", **kw) == "1=1I1="
    local_check("1=1D1=", "BCAB", "ACB", **kw)
    local_check("1=1I1=", "BCAB", "ACB", **kw)


@pytest.mark.parametrize(
    "kw",
    [
        dict(gap_score=-1, gap_open_score=-3, gap_extend_score=-1),  # affine after resolution
        dict(gap_score=1),  # a positive linear gap
        dict(gap_score=2, gap_open_score=2),
    ],
)
def test_other_gaps_take_the_full_matrix_cigar(kw):
    rng = random.Random(13)
    for _ in range(30):
        q, t = random_pair(rng, rng.randrange(0, 30), rng.randrange(0, 30), "ACG")
        assert _swar.smith_waterman_trade_cigar(q, t, **kw) == _swar.smith_waterman_cigar(q, t, **kw)


def test_local_driver_is_the_models():
    rng = random.Random(17)
    for k in range(150):
        q, t = random_pair(rng, rng.randrange(0, 25), rng.randrange(0, 25), "ACG" if k % 2 else "AB")
        for scores in ((2, -1, -1), (3, -3, -1), (1, -1, 0)):
            kw = dict(match_score=scores[0], mismatch_score=scores[1], gap_score=scores[2])
            assert _swar.smith_waterman_trade_cigar(q, t, **kw) == lm.trade_local(q, t, *scores)
        # gap -1 with only gap_open_score=-2 given resolves to a linear gap of -2
        assert _swar.smith_waterman_trade_cigar(q, t, gap_open_score=-2) == lm.trade_local(q, t, 2, -1, -2)


def test_local_driver_rescores_on_larger_pairs(hooks):
    rng = random.Random(19)
    for n in (300, 900):
        t = bytes(rng.choice(b"ACGT") for _ in range(n))
        q = b"TTGA" * 20 + mutate(rng, t[n // 4 : 3 * n // 4]) + b"CCAT" * 20
        text = _swar.smith_waterman_trade_cigar(q, t)
        local_check(text, q, t)
        assert hooks.smith_waterman_trade_cigar(q, t, 2, -1, -1, 64) == text


def test_local_regression_long_insertion_on_one_token():
    q = b"A" * 50 + b"C" * 50
    t = b"A" * 50 + b"G" * 4200 + b"C" * 50
    assert _swar.smith_waterman_trade_cigar(q, t, match_score=100) == "50=4200I50="


def test_local_errors():
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly"):
        _swar.smith_waterman_trade_cigar(b"A", "A")
    with pytest.raises(ValueError, match="width must be None, 0, 8, 16, 32, or 64"):
        _swar.smith_waterman_trade_cigar("A", "A", width=12)


# ---- the global driver ----

EDIT = dict(match_score=0, mismatch_score=-1, gap_score=-1)


def test_global_full_road_below_two_to_the_24():
    rng = random.Random(23)
    t = bytes(rng.choice(b"ACGT") for _ in range(4096))
    q = mutate(rng, t)[:4095].ljust(4095, b"A")
    assert _swar.needleman_wunsch_trade_cigar(q, t, **EDIT) == _swar.needleman_wunsch_path_info(q, t, **EDIT).cigar


def test_global_split_road_from_two_to_the_24():
    rng = random.Random(29)
    t = bytes(rng.choice(b"ACGT") for _ in range(4096))
    q = mutate(rng, t)[:4096].ljust(4096, b"A")
    text = _swar.needleman_wunsch_trade_cigar(q, t, **EDIT)
    score = _swar.needleman_wunsch_score(q, t, **EDIT)
    assert lm.linear_score(ref.operations_of(text), q, t, 0, -1, -1) == (score, 4096, 4096)


@pytest.mark.parametrize(
    "query, target, expected",
    [(b"", b"ABC", "3I"), (b"AB", b"", "2D"), (b"", b"", ""), (b"ACGT" * 3, b"ACGT" * 3, "12=")],
)
def test_global_small_cases(hooks, query, target, expected):
    assert hooks.needleman_wunsch_trade_cigar(query, target, 2, -1, -1, 8) == expected


def test_global_identical_inputs_on_the_split_road(hooks):
    q = bytes(random.Random(31).choice(b"ACGT") for _ in range(4100))
    assert hooks.needleman_wunsch_trade_cigar(q, q, 2, -1, -1, 32) == "4100="
