"""_smith_waterman_affine_checkpointed_cigar and
_needleman_wunsch_affine_checkpointed_cigar: the checkpoint store and its
forward passes, the block-wise walk (the full-matrix affine walk's text, also
across block edges), and the guard in front of the store."""

import random

import pytest

from reference import traceback_reference as ref
from veltrocamber import _swar

SW = _swar._smith_waterman_affine_checkpointed_cigar
NW = _swar._needleman_wunsch_affine_checkpointed_cigar
AFFINE = dict(gap_open_score=-3, gap_extend_score=-1)


@pytest.mark.parametrize(
    "fn, query, target, kw, expected",
    [
        (SW, b"", b"ACGT", {}, ""),
        (SW, "ACGT", "", AFFINE, ""),
        (SW, "A", "G", {}, ""),
        (SW, "ACGT", "ACGT", {}, "4="),
        (SW, "XAB", "AB", {}, "2="),
        (NW, "", "", {}, ""),
        (NW, "", "ABG", {}, "3I"),
        (NW, "AB", "", {}, "2D"),
        (NW, "A", "AA", {}, "1I1="),
        (NW, "BBA", "B", {}, "1=2D"),  # always affine: the linear road gives 1D1=1D
        (NW, "AAAA", "AA", {}, "2D2="),
        (SW, "A" * 100 + "G" * 60 + "A" * 100, "A" * 200, AFFINE, "100=60D100="),
        (NW, "A" * 100 + "G" * 60 + "A" * 100, "A" * 200, AFFINE, "100=60D100="),
    ],
)
def test_cases(fn, query, target, kw, expected):
    assert fn(query, target, **kw) == expected


def related(rng, n, m, alphabet="ACGT"):
    """A target of m symbols and a query of about n symbols drawn from it with
    substitutions and gaps of all lengths."""
    target = "".join(rng.choice(alphabet) for _ in range(m))
    start = rng.randrange(max(1, m - n + 1))
    out, i = [], start
    while len(out) < n:
        r = rng.random()
        if r < 0.04:
            out.append("".join(rng.choice(alphabet) for _ in range(rng.randrange(1, 40))))
        elif r < 0.08:
            i += rng.randrange(1, 40)
        else:
            out.append(target[i % m] if rng.random() < 0.9 else rng.choice(alphabet))
            i += 1
    return "".join(out)[:n], target


# (qlen, tlen): qlen around the interval (128 for tlen 511, 127 for tlen
# 512, 16 from tlen 3855 on), and long queries on short targets, so that
# vertical gaps cross block edges.
SHAPES = [(127, 511), (128, 511), (129, 511), (126, 512), (127, 512), (128, 512), (300, 511),
          (15, 3855), (16, 3855), (17, 3900), (40, 4200), (700, 20), (400, 3)]


@pytest.mark.parametrize("qlen, tlen", SHAPES)
def test_affine_text_is_the_full_matrix_walks(qlen, tlen):
    rng = random.Random(qlen * 10007 + tlen)
    for scores in (dict(AFFINE), dict(match_score=3, mismatch_score=-2, gap_open_score=-5, gap_extend_score=-2)):
        query, target = related(rng, qlen, tlen)
        if rng.random() < 0.5:
            query, target = target[: max(1, qlen)], query  # the longer side as query too
        assert SW(query, target, **scores) == _swar.smith_waterman_path_info(query, target, **scores).cigar
        assert NW(query, target, **scores) == _swar.needleman_wunsch_path_info(query, target, **scores).cigar


def test_long_vertical_gap_across_several_blocks():
    # interval 128 (tlen 20): the deletion spans rows 11 to 410, four blocks
    query, target = "ACGTACGTAC" + "T" * 400 + "GATTACAGAT", "ACGTACGTACGATTACAGAT"
    for fn, path in ((SW, _swar.smith_waterman_path_info), (NW, _swar.needleman_wunsch_path_info)):
        kw = dict(AFFINE, match_score=100)
        assert fn(query, target, **kw) == path(query, target, **kw).cigar == "10=400D10="


def test_equal_open_and_extend_keep_the_affine_recurrence():
    rng = random.Random(5)
    for _ in range(60):
        query = "".join(rng.choice("AB") for _ in range(rng.randrange(0, 12)))
        target = "".join(rng.choice("AB") for _ in range(rng.randrange(0, 12)))
        for gap in (-1, -2, 0):
            for fn, local in ((SW, True), (NW, False)):
                model = ref.affine_path(local, query, target, 2, -1, gap, gap)
                assert fn(query, target, gap_score=gap) == ref.cigar(model["operations"])


def test_positive_gaps():
    rng = random.Random(6)
    for _ in range(40):
        query = "".join(rng.choice("ACG") for _ in range(rng.randrange(0, 10)))
        target = "".join(rng.choice("ACG") for _ in range(rng.randrange(0, 10)))
        for open_, extend in ((1, 1), (2, -1), (-1, 1)):
            for fn, local in ((SW, True), (NW, False)):
                model = ref.affine_path(local, query, target, 2, -1, open_, extend)
                assert fn(query, target, gap_open_score=open_, gap_extend_score=extend) == ref.cigar(
                    model["operations"]
                )


def test_width_does_not_change_the_text():
    rng = random.Random(7)
    query, target = related(rng, 200, 300)
    for fn in (SW, NW):
        texts = {fn(query, target, width=w, **AFFINE) for w in (None, 0, 16, 32, 64)}
        assert len(texts) == 1


def test_inputs_of_every_kind():
    expected = NW("ACGTTGCA", "ACGGCA", **AFFINE)
    assert NW(b"ACGTTGCA", b"ACGGCA", **AFFINE) == expected
    assert NW(list("ACGTTGCA"), tuple("ACGGCA"), **AFFINE) == expected
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly"):
        SW(b"A", "A")
    with pytest.raises(ValueError, match="width must be None, 0, 8, 16, 32, or 64"):
        NW("A", "A", width=12)


def test_a_store_that_cannot_be_held_is_refused_before_anything_runs():
    big = b"A" * 2_000_000
    for fn, name in ((NW, "_needleman_wunsch_affine_checkpointed_cigar"),
                     (SW, "_smith_waterman_affine_checkpointed_cigar")):
        with pytest.raises(MemoryError, match=f"^{name}: a checkpoint store of"):
            fn(big, big, **AFFINE)


# ---- the checkpoint store and the forward passes (test hooks) ----

@pytest.mark.parametrize(
    "tlen, interval",
    [(0, 128), (511, 128), (512, 127), (1000, 65), (3854, 17), (3855, 16), (4095, 16), (4096, 16), (10**6, 16)],
)
def test_interval_rule(hooks, tlen, interval):
    assert hooks.checkpoint_interval(tlen) == interval


def test_store_slots(hooks):
    # qlen = interval - 1, interval, interval + 1 (tlen 0: interval 128)
    for qlen, count in ((127, 1), (128, 2), (129, 2), (256, 3)):
        _, interval, slots, h, _ = hooks.affine_checkpoint_pass(True, b"A" * qlen, b"", 2, -1, -3, -1, 8)
        assert (interval, slots, len(h)) == (128, count, count)
    # slot k is row k x interval, as a full fill computes it
    q, t = b"ACGT" * 40, b"ACGGT" * 4
    best, interval, count, h, v = hooks.affine_checkpoint_pass(False, q, t, 2, -1, -3, -1, 16)
    assert (interval, count) == (128, 2)
    assert h[1][0] == -3 - 127
    assert h[1][1:] == [ref.affine_path(False, q[:128], t[:j], 2, -1, -3, -1)["score"] for j in range(1, 21)]
    assert best == (ref.affine_path(False, q, t, 2, -1, -3, -1)["score"], 160, 20)


def test_forward_pass_edge_cases(hooks):
    # global row 0 for open -5, extend -1; V is minus infinity there
    best, _, count, h, v = hooks.affine_checkpoint_pass(False, b"", b"ABC", 2, -1, -5, -1, 8)
    assert (best, count, h[0], v[0]) == ((-7, 0, 3), 1, [0, -5, -6, -7], [None] * 4)
    assert hooks.affine_checkpoint_pass(False, b"", b"", 2, -1, -5, -1, 8)[0] == (0, 0, 0)
    assert hooks.affine_checkpoint_pass(True, b"", b"ABC", 2, -1, -5, -1, 8)[0] == (0, 0, 0)
    assert hooks.affine_checkpoint_pass(True, b"AC", b"GT", 2, -1, -1, -1, 8)[0] == (0, 0, 0)
    # the first strict maximum
    assert hooks.affine_checkpoint_pass(True, b"A", b"AA", 2, -1, -1, -1, 8)[0] == (2, 1, 1)
    assert hooks.affine_checkpoint_pass(True, b"AAA", b"A", 2, -1, -3, -1, 8)[0] == (2, 1, 1)
    # the same results at every width at least as wide as the automatic one
    q, t = b"ACGTACGGTA" * 20, b"ACGTTACGTA" * 5
    for local in (True, False):
        results = [hooks.affine_checkpoint_pass(local, q, t, 2, -1, -3, -1, w) for w in (16, 32, 64)]
        assert results[0] == results[1] == results[2]
