"""The traceback kernels at every cell width, through the private test hooks,
against the plain-Python models of tests/reference/traceback_reference.py.
The hooks take bytes whose values are the symbol codes."""

import math
import random

import pytest

from reference import traceback_reference as ref
from test_traceback_checkpointed import related

hooks = pytest.importorskip("veltrocamber._testhooks")

WIDTHS = (8, 16, 32, 64)
LOCAL_AFFINE = dict(match=2, mismatch=-1, gap_open=-3, gap_extend=-1)


def admissible_widths(scores, qlen, tlen):
    """The cell widths the width rule admits: the bound max|score| x (qlen +
    tlen) below the type's positive limit."""
    bound = max(abs(s) for s in scores) * (qlen + tlen)
    return [w for w in WIDTHS if bound < 2 ** (w - 1)]


def as_dict(path):
    return {
        "score": path.score,
        "query_start": path.query_start,
        "query_end": path.query_end,
        "target_start": path.target_start,
        "target_end": path.target_end,
        "operations": path.operations,
    }


def check_path_record(path, expected):
    assert as_dict(path) == expected
    ops = expected["operations"]
    assert path.cigar == ref.cigar(ops)
    assert (path.matches, path.mismatches, path.insertions, path.deletions, path.aligned_length) == (
        ops.count("="),
        ops.count("X"),
        ops.count("I"),
        ops.count("D"),
        len(ops),
    )


def random_case(rng, max_len=12):
    alphabet = b"ACGT"[: rng.randint(1, 4)]
    q = bytes(rng.choice(alphabet) for _ in range(rng.randint(0, max_len)))
    t = bytes(rng.choice(alphabet) for _ in range(rng.randint(0, max_len)))
    return q, t


# ---- linear-gap path kernels -------------------------------------------------


@pytest.mark.parametrize(
    "local, query, target, scores, expected",
    [
        # the first maximum (column 1) wins over the equal one in column 2
        (True, b"A", b"AA", (2, -1, -1), (2, 0, 1, 0, 1, "=")),
        # diagonal before left on a tie: the gap goes first
        (False, b"A", b"AA", (2, -1, -1), (1, 0, 1, 0, 2, "I=")),
        # a local alignment stops at the zero cell before its first column
        (True, b"XAB", b"AB", (2, -1, -1), (4, 1, 3, 0, 2, "==")),
        (False, b"", b"ABC", (2, -1, -2), (-6, 0, 0, 0, 3, "III")),
        (False, b"ABC", b"", (2, -1, -2), (-6, 0, 3, 0, 0, "DDD")),
        (False, b"", b"", (2, -1, -1), (0, 0, 0, 0, 0, "")),
        (True, b"", b"ABC", (2, -1, -1), (0, 0, 0, 0, 0, "")),
        (True, b"ABC", b"XYZ", (2, -1, -1), (0, 0, 0, 0, 0, "")),
        (True, b"AAA", b"AAA", (0, -1, -1), (0, 0, 0, 0, 0, "")),
        # the letter of a diagonal step is symbol equality, whatever the scores
        (False, b"AB", b"AC", (-1, 2, -5), (1, 0, 2, 0, 2, "=X")),
        # up before left on a tie
        (True, b"ABAB", b"BAAB", (2, -1, -1), (5, 0, 4, 1, 4, "=D==")),
    ],
)
@pytest.mark.parametrize("width", WIDTHS)
def test_linear_path_cases(local, query, target, scores, expected, width):
    keys = ("score", "query_start", "query_end", "target_start", "target_end", "operations")
    want = dict(zip(keys, expected))
    assert ref.linear_path(local, query, target, *scores) == want
    check_path_record(hooks.traceback_linear_path(local, query, target, *scores, width), want)


# ---- affine-gap path kernels -------------------------------------------------


@pytest.mark.parametrize(
    "local, query, target, scores, expected",
    [
        (True, b"AA", b"A", (2, -1, -3, -1), (2, 0, 1, 0, 1, "=")),
        # every tie between diagonal and gap goes to the diagonal
        (False, b"AAAA", b"AA", (2, -1, -3, -1), (0, 0, 4, 0, 2, "DD==")),
        # the 'D' taken in column 0 by position
        (False, b"AB", b"B", (2, -1, -3, -1), (-1, 0, 2, 0, 1, "D=")),
        # row 0 codes carry the extension bit, keeping the walk in the gap
        (False, b"", b"ABC", (2, -1, -3, -1), (-5, 0, 0, 0, 3, "III")),
        (False, b"ABC", b"", (2, -1, -3, -1), (-5, 0, 3, 0, 0, "DDD")),
        (False, b"", b"", (2, -1, -3, -1), (0, 0, 0, 0, 0, "")),
        (True, b"ABC", b"", (2, -1, -3, -1), (0, 0, 0, 0, 0, "")),
        (True, b"AAA", b"CCC", (2, -1, -3, -1), (0, 0, 0, 0, 0, "")),
        # a positive extension: the vertical gap runs through cells floored
        # to 0 and stops only back in state M on row 0
        (True, b"BBBBA", b"AABA", (4, -3, -3, 2), (9, 0, 5, 2, 4, "DDD==")),
        (True, b"ACGTTTTACGT", b"ACGTACGT", (2, -1, -3, -1), (11, 0, 11, 0, 8, "===DDD=====")),
        (True, b"ACGTACGTACGT", b"ACGTTACGTACGT", (2, -1, -3, -1), (21, 0, 12, 0, 13, "===I=========")),
    ],
)
@pytest.mark.parametrize("width", WIDTHS)
def test_affine_path_cases(local, query, target, scores, expected, width):
    keys = ("score", "query_start", "query_end", "target_start", "target_end", "operations")
    want = dict(zip(keys, expected))
    assert ref.affine_path(local, query, target, *scores) == want
    check_path_record(hooks.traceback_affine_path(local, query, target, *scores, width), want)


@pytest.mark.parametrize("local", [True, False])
@pytest.mark.parametrize("gaps", ["linear", "affine"])
def test_path_kernels_random_against_reference(local, gaps):
    rng = random.Random(f"path kernels {local} {gaps}")
    for _ in range(300):
        q, t = random_case(rng)
        # positive gap values included: they enter the recurrences unchanged
        if gaps == "linear":
            scores = (rng.randint(-3, 4), rng.randint(-4, 2), rng.randint(-4, 2))
            want = ref.linear_path(local, q, t, *scores)
            run = hooks.traceback_linear_path
            rescore_gaps = (scores[2], scores[2])
        else:
            scores = (rng.randint(-3, 5), rng.randint(-4, 2), rng.randint(-6, 1), rng.randint(-3, 2))
            want = ref.affine_path(local, q, t, *scores)
            run = hooks.traceback_affine_path
            rescore_gaps = scores[2:]
        for width in admissible_widths(scores, len(q), len(t)):
            check_path_record(run(local, q, t, *scores, width), want)
        got = ref.rescore(want["operations"], q, t, want["query_start"], want["target_start"], *scores[:2],
                          *rescore_gaps, global_alignment=not local)
        assert got == (want["score"], want["query_end"], want["target_end"])


def test_affine_tie_between_open_and_extend_is_an_extension():
    # open -2, extend -2: every gap tie sets the extension bit; the global
    # walk must still produce a path that rescores to the optimum
    q, t = b"AAAATTTT", b"AATT"
    want = ref.affine_path(False, q, t, 1, -1, -2, -2)
    path = hooks.traceback_affine_path(False, q, t, 1, -1, -2, -2, 8)
    check_path_record(path, want)
    assert ref.rescore(path.operations, q, t, 0, 0, 1, -1, -2, -2)[0] == path.score


def test_widths_agree_at_the_edge_of_the_narrow_type():
    # bound 9 x 14 = 126 < 128: the 8-bit cells hold every score
    q, t = b"A" * 7, b"A" * 7
    paths = [hooks.traceback_affine_path(True, q, t, 9, -9, -9, -1, w) for w in WIDTHS]
    assert {(p.score, p.operations) for p in paths} == {(63, "=" * 7)}


# ---- local CIGAR kernels -----------------------------------------------------


@pytest.mark.parametrize(
    "query, target, expected",
    [
        (b"A", b"G", ""),
        (b"ACGT", b"ACGT", "4="),
        (b"AB", b"BA", "1="),
        (b"ABBA", b"ABA", "1=1D2="),
        (b"ABAB", b"AAAB", "1=1X2="),
        (b"ABAB", b"BAAB", "1=1D2="),
        (b"ABCD", b"ABXCD", "2=1I2="),
        (b"ABXCD", b"ABCD", "2=1D2="),
        (b"", b"ABC", ""),
    ],
)
def test_linear_cigar_cases(query, target, expected):
    for width in WIDTHS:
        assert hooks.smith_waterman_linear_cigar(query, target, 2, -1, -1, width) == expected


def test_linear_cigar_matches_the_path_kernel():
    rng = random.Random(4104)
    for _ in range(300):
        q, t = random_case(rng, 16)
        scores = (rng.randint(-2, 4), rng.randint(-4, 1), rng.randint(-4, 0))
        want = ref.cigar(ref.linear_path(True, q, t, *scores)["operations"])
        for width in admissible_widths(scores, len(q), len(t)):
            assert hooks.smith_waterman_linear_cigar(q, t, *scores, width) == want


def test_full_affine_cigar_matches_the_path_kernel():
    rng = random.Random(4105)
    for _ in range(300):
        q, t = random_case(rng, 16)
        scores = (rng.randint(-2, 5), rng.randint(-4, 1), rng.randint(-6, 1), rng.randint(-3, 2))
        want = ref.affine_path(True, q, t, *scores)
        expected = (ref.cigar(want["operations"]), want["score"], want["query_start"], want["query_end"],
                    want["target_start"], want["target_end"])
        for width in admissible_widths(scores, len(q), len(t)):
            assert hooks.smith_waterman_affine_full_cigar(q, t, *scores, width) == expected


# ---- banded affine CIGAR ---------------------------------------------------------


@pytest.mark.parametrize(
    "qlen, tlen, band",
    [(32, 32, 32), (33, 33, 32), (511, 511, 32), (512, 512, 32), (2047, 2047, 127), (2048, 2048, 128),
     (5000, 5000, 128), (100, 1000, 962), (40, 1000, 1022)],
)
def test_half_band(qlen, tlen, band):
    assert hooks.smith_waterman_half_band(qlen, tlen) == band == ref.half_band(qlen, tlen)


def banded(q, t, expected, width=8, scores=LOCAL_AFFINE):
    return hooks.smith_waterman_affine_banded_cigar(q, t, *scores.values(), expected, width)


def test_band_choice_stands_over_the_full_matrix():
    # The best score 6 comes first at (6, 40), outside the band, and again at
    # (40, 37), inside it: the band reproduces 6 and its own choice stands.
    q = b"GGAGAGA" + b"N" * 28 + b"GAGAA"
    t = b"T" * 34 + b"GAAGGG"
    assert ref.smith_waterman_affine_score(q, t, *LOCAL_AFFINE.values()) == 6
    for width in WIDTHS:
        assert banded(q, t, 6, width) == ("3=", 6, 37, 40, 34, 37)
        full = hooks.smith_waterman_affine_full_cigar(q, t, *LOCAL_AFFINE.values(), width)
        assert full[:2] == ("1=1X2=1X1=", 6)


def test_band_declines():
    a33 = b"ACGT" * 8 + b"A"
    # equal lengths up to 32: b = 32 >= maxlen, never banded
    assert banded(b"ACGT" * 8, b"ACGT" * 8, 32) is None
    # a score the band cannot reproduce (a prepared object's stale score)
    assert banded(a33, a33, 67) is None
    # no positive score expected: empty result, no matrix
    assert banded(a33, a33, 0) == ("", 0, 0, 0, 0, 0)
    # the optimum needs a diagonal offset beyond the band: a long gap near
    # one end of otherwise equal-length sequences
    rng = random.Random(7)
    core = bytes(rng.choice(b"ACGT") for _ in range(60))
    q = b"C" * 40 + core
    t = core + b"G" * 40
    best = ref.smith_waterman_affine_score(q, t, *LOCAL_AFFINE.values())
    assert best == 120
    assert banded(q, t, best, 16) is None


def test_band_against_reference_and_by_rescoring():
    rng = random.Random(41050)
    accepted = 0
    for _ in range(40):
        n = rng.randint(33, 70)
        alphabet = b"ACGT"[: rng.randint(2, 4)]
        q = bytes(rng.choice(alphabet) for _ in range(n))
        # a shifted, mutated copy, so that some optima leave the band
        t = bytearray(q[rng.randint(0, 10):] + bytes(rng.choice(alphabet) for _ in range(rng.randint(0, 10))))
        for k in rng.sample(range(len(t)), len(t) // 6):
            t[k] = rng.choice(alphabet)
        t = bytes(t)
        scores = dict(match=rng.randint(1, 4), mismatch=rng.randint(-4, -1), gap_open=rng.randint(-6, -1),
                      gap_extend=rng.randint(-3, 0))
        best = ref.smith_waterman_affine_score(q, t, *scores.values())
        want = ref.smith_waterman_banded_cigar(q, t, *scores.values(), best)
        for width in admissible_widths(scores.values(), len(q), len(t)):
            got = banded(q, t, best, width, scores)
            if want is None:
                assert got is None
                continue
            assert got == (ref.cigar(want["operations"]), want["score"], want["query_start"], want["query_end"],
                           want["target_start"], want["target_end"])
        if want is not None:
            accepted += 1
            score, qe, te = ref.rescore(want["operations"], q, t, want["query_start"], want["target_start"],
                                        *scores.values())
            assert (score, qe, te) == (best, want["query_end"], want["target_end"])
    assert accepted > 10  # the band is exercised, not only declined


def test_driver_with_a_stored_score():
    q = b"GGAGAGA" + b"N" * 28 + b"GAGAA"
    t = b"T" * 34 + b"GAAGGG"
    driver = hooks.smith_waterman_affine_cigar
    full = hooks.smith_waterman_affine_full_cigar(q, t, *LOCAL_AFFINE.values(), 8)
    # no score given: the score pass finds 6 and the band's answer stands
    assert driver(q, t, *LOCAL_AFFINE.values(), 0, False, 8) == ("3=", 6, 37, 40, 34, 37)
    assert driver(q, t, *LOCAL_AFFINE.values(), 6, True, 8) == ("3=", 6, 37, 40, 34, 37)
    # a stored score the band does not reproduce: the full traceback's own
    # answer and score, not compared with the stored one
    assert driver(q, t, *LOCAL_AFFINE.values(), 5, True, 8) == full
    assert full[:2] == ("1=1X2=1X1=", 6)
    # a stored score of 0 or below: the empty result, whatever the inputs
    assert driver(q, t, *LOCAL_AFFINE.values(), 0, True, 8) == ("", 0, 0, 0, 0, 0)


@pytest.mark.parametrize("gaps", [(0, 0), (-3, -1), (-1, -3), (-2, -2), (1, -1), (-3, 1)])
def test_driver_score_pass_and_full_fill_against_the_model(gaps):
    # Pairs the band declines (the shared part far off the diagonal, or
    # nothing shared), with the best cell on an early, a late or any query
    # row: the driver's own score pass and its full fill, which stops at the
    # row of the end cell, against the full-matrix model and the full
    # traceback of every admissible width.
    rng = random.Random(f"driver {gaps}")
    for case in range(18):
        core = "".join(rng.choice("ACG") for _ in range(rng.randint(5, 30))).encode()
        pad = rng.randint(40, 60)
        filler = bytes(rng.choice(b"ACGT") for _ in range(pad))
        if case % 3 == 0:
            q, t = core + b"T" * pad, filler + core
        elif case % 3 == 1:
            q, t = b"T" * pad + core, core + filler
        else:
            q, t = bytes(rng.choice(b"ACGT") for _ in range(pad)), filler
        scores = (rng.randint(1, 3), rng.randint(-3, 0), *gaps)
        want = ref.affine_path(True, q, t, *scores)
        expected = (ref.cigar(want["operations"]), want["score"], want["query_start"], want["query_end"],
                    want["target_start"], want["target_end"])
        band = ref.smith_waterman_banded_cigar(q, t, *scores, want["score"])
        for width in admissible_widths(scores, len(q), len(t)):
            record = hooks.smith_waterman_affine_cigar(q, t, *scores, 0, False, width)
            if band is None:
                assert record == expected == hooks.smith_waterman_affine_full_cigar(q, t, *scores, width)
            else:
                assert record[1] == want["score"]


@pytest.mark.parametrize(
    "run",
    [
        lambda w: hooks.traceback_linear_path(True, b"A", b"A", 2, -1, -1, w),
        lambda w: hooks.traceback_affine_path(False, b"A", b"A", 2, -1, -3, -1, w),
        lambda w: hooks.smith_waterman_linear_cigar(b"A", b"A", 2, -1, -1, w),
        lambda w: hooks.smith_waterman_affine_cigar(b"A", b"A", 2, -1, -3, -1, 0, False, w),
        lambda w: hooks.needleman_wunsch_affine_cigar(b"A", b"A", 2, -1, -3, -1, 0, False, w),
        lambda w: hooks.needleman_wunsch_affine_scalar(b"A", b"A", 2, -1, -3, -1, w),
    ],
)
@pytest.mark.parametrize("width", [0, 12, 128])
def test_a_cell_width_outside_the_four_is_refused(run, width):
    with pytest.raises(RuntimeError, match="^unsupported profile traceback width$"):
        run(width)


# ---- global banded affine CIGAR -----------------------------------------------------

GLOBAL_GAP_ZERO = dict(match=2, mismatch=-10, gap_open=-1, gap_extend=0)


def global_record(want):
    return (ref.cigar(want["operations"]), want["score"], want["query_start"], want["query_end"],
            want["target_start"], want["target_end"])


@pytest.mark.parametrize("width", WIDTHS)
def test_global_band_accepted_and_declined(width):
    # Both sides of 40 tokens: b = 32. The first optimum stays within 5
    # diagonals and the band answers; the second reaches |row - col| = 33,
    # so the band's end cell is only 8 and the full matrix answers.
    scores = GLOBAL_GAP_ZERO.values()
    q, t = b"B" * 5 + b"A" * 35, b"A" * 35 + b"T" * 5
    assert hooks.needleman_wunsch_affine_scalar(q, t, *scores, width) == 68
    assert hooks.needleman_wunsch_affine_banded_cigar(q, t, *scores, 68, width) == ("5D35=5I", 68, 0, 40, 0, 40)
    assert hooks.needleman_wunsch_affine_cigar(q, t, *scores, 0, False, width) == ("5D35=5I", 68, 0, 40, 0, 40)
    q, t = b"B" * 33 + b"A" * 7, b"A" * 7 + b"T" * 33
    assert hooks.needleman_wunsch_affine_scalar(q, t, *scores, width) == 12
    assert hooks.needleman_wunsch_affine_banded_cigar(q, t, *scores, 12, width) is None
    # the band's own end cell, 8, is reached inside it: an expectation of 8
    # would be accepted
    assert hooks.needleman_wunsch_affine_banded_cigar(q, t, *scores, 8, width) == (
        "1I33D6=33I1D", 8, 0, 40, 0, 40)
    assert hooks.needleman_wunsch_affine_cigar(q, t, *scores, 0, False, width) == ("33D7=33I", 12, 0, 40, 0, 40)


@pytest.mark.parametrize(
    "query, target, expected",
    [
        (b"", b"", ("", 0, 0, 0, 0, 0)),
        (b"", b"ABC", ("3I", -5, 0, 0, 0, 3)),
        (b"ABCD", b"", ("4D", -6, 0, 4, 0, 0)),
        (b"CDEFG", b"ABCDEFG", ("2I5=", 6, 0, 5, 0, 7)),  # the walk finishes along row 0
        (b"ABCDEFG", b"CDEFG", ("2D5=", 6, 0, 7, 0, 5)),  # and along column 0
    ],
)
@pytest.mark.parametrize("width", WIDTHS)
def test_global_short_pairs_take_the_full_matrix(query, target, expected, width):
    scores = LOCAL_AFFINE.values()
    assert hooks.needleman_wunsch_affine_scalar(query, target, *scores, width) == expected[1]
    assert hooks.needleman_wunsch_affine_banded_cigar(query, target, *scores, expected[1], width) is None
    assert hooks.needleman_wunsch_affine_full_cigar(query, target, *scores, width) == expected
    assert hooks.needleman_wunsch_affine_cigar(query, target, *scores, 0, False, width) == expected


def test_global_driver_with_a_stored_score():
    q, t = b"B" * 5 + b"A" * 35, b"A" * 35 + b"T" * 5
    scores = GLOBAL_GAP_ZERO.values()
    full = hooks.needleman_wunsch_affine_full_cigar(q, t, *scores, 16)
    assert hooks.needleman_wunsch_affine_cigar(q, t, *scores, 68, True, 16) == ("5D35=5I", 68, 0, 40, 0, 40)
    # a stored score the band does not reproduce: the full traceback answers,
    # with its own score; no early answer for a stored score of 0 or below
    for stored in (67, 0, -3):
        assert hooks.needleman_wunsch_affine_cigar(q, t, *scores, stored, True, 16) == full
    assert full[1:] == (68, 0, 40, 0, 40)


def global_random_pair(rng, kind):
    alphabet = b"ACGT"[: rng.randint(2, 4)]
    if kind == "short":  # at most 32 tokens on one side: the band is skipped
        return (bytes(rng.choice(alphabet) for _ in range(rng.randint(0, 40))),
                bytes(rng.choice(alphabet) for _ in range(rng.randint(0, 32))))
    if kind == "near":  # a mutated copy with small indels: mostly inside the band
        q = bytes(rng.choice(alphabet) for _ in range(rng.randint(33, 300)))
        t = bytearray(q)
        for _ in range(len(t) // 8):
            k = rng.randrange(len(t))
            roll = rng.random()
            if roll < 0.6:
                t[k] = rng.choice(alphabet)
            elif roll < 0.8:
                del t[k]
            else:
                t.insert(k, rng.choice(alphabet))
        return q, bytes(t)
    # equal lengths, the shared part 40 diagonals off: beyond a band of 32
    core = bytes(rng.choice(alphabet) for _ in range(rng.randint(20, 60)))
    return b"T" * 40 + core, core + b"G" * 40


@pytest.mark.parametrize("kind", ["short", "near", "far"])
def test_global_driver_against_reference_and_by_rescoring(kind):
    # The reference decides whether the band is skipped, accepted or
    # declined. Accepted: the band's own text, rescoring to the optimum over
    # both whole sequences. Otherwise: the full matrix's text exactly.
    rng = random.Random(f"41060 {kind}")
    seen = {"band": 0, "full": 0}
    for _ in range(12 if kind == "near" else 20):
        q, t = global_random_pair(rng, kind)
        scores = dict(match=rng.randint(1, 4), mismatch=rng.randint(-4, 0), gap_open=rng.randint(-6, -1),
                      gap_extend=rng.randint(-3, 0))
        score = ref.needleman_wunsch_affine_score(q, t, *scores.values())
        band = ref.needleman_wunsch_banded_cigar(q, t, *scores.values(), score)
        if band is not None:
            seen["band"] += 1
            want = global_record(band)
            assert ref.rescore(band["operations"], q, t, 0, 0, *scores.values(), global_alignment=True) == (
                score, len(q), len(t))
        else:
            seen["full"] += 1
            want = global_record(ref.affine_path(False, q, t, *scores.values()))
        for width in admissible_widths(scores.values(), len(q), len(t)):
            assert hooks.needleman_wunsch_affine_scalar(q, t, *scores.values(), width) == score
            assert hooks.needleman_wunsch_affine_cigar(q, t, *scores.values(), 0, False, width) == want
    if kind == "short":
        assert seen["band"] == 0
    elif kind == "near":
        assert seen["band"] > 6
    else:  # all-diagonal alignments sometimes beat the shift
        assert seen["full"] > 8


@pytest.mark.parametrize("local", [True, False])
@pytest.mark.parametrize("width", [0, 12, 128])
def test_the_channel_width_dispatch_refuses_other_widths(local, width):
    with pytest.raises(RuntimeError, match="^unsupported profile traceback width$"):
        hooks.affine_cigar_by_width(local, b"A", b"A", 2, -1, -3, -1, width)


@pytest.mark.parametrize("width", WIDTHS)
def test_the_channel_width_dispatch_narrows_the_scores(width):
    # the low bits of each value, sign-extended: exact under the width rule
    assert hooks.affine_cigar_by_width(False, b"CDEFG", b"ABCDEFG", 2, -1, -3, -1, width) == "2I5="
    assert hooks.affine_cigar_by_width(True, b"ACGTTTTACGT", b"ACGTACGT", 2, -1, -3, -1, width) == "3=3D5="


# ---- digest and the matrix guard ---------------------------------------------------


@pytest.mark.parametrize(
    "text, digest",
    [(b"", 4953163356653287321), (b"4=", 7717011764544545390), (b"1=1X2=1X1=", None), (b"120=3D7I", None)],
)
def test_cigar_digest(text, digest):
    assert hooks.cigar_digest(text) == ref.cigar_digest(text)
    if digest is not None:
        assert hooks.cigar_digest(text) == digest


def test_matrix_guard_refuses_sizes_that_cannot_be_held():
    available = hooks.available_memory_bytes()
    assert hooks.traceback_matrix_bytes(0, 0) == 1
    assert hooks.traceback_matrix_bytes(999, 1999) == 1000 * 2000
    assert hooks.traceback_matrix_bytes(available - 1, 0) == available
    for qlen, tlen in [(available, 0), (2**32, 2**32), (2**64 - 1, 0), (0, 2**64 - 1), (2**63, 2**63)]:
        with pytest.raises(MemoryError):
            hooks.traceback_matrix_bytes(qlen, tlen)


@pytest.mark.parametrize(
    "run",
    [
        lambda q, t: hooks.traceback_linear_path(True, q, t, 2, -1, -1, 64),
        lambda q, t: hooks.traceback_linear_path(False, q, t, 2, -1, -1, 64),
        lambda q, t: hooks.traceback_affine_path(True, q, t, 2, -1, -3, -1, 64),
        lambda q, t: hooks.traceback_affine_path(False, q, t, 2, -1, -3, -1, 64),
        lambda q, t: hooks.smith_waterman_linear_cigar(q, t, 2, -1, -1, 64),
        lambda q, t: hooks.smith_waterman_affine_full_cigar(q, t, 2, -1, -3, -1, 64),
        lambda q, t: hooks.smith_waterman_affine_banded_cigar(q, t, 2, -1, -3, -1, 1, 64),
        lambda q, t: hooks.smith_waterman_affine_cigar(q, t, 2, -1, -3, -1, 0, False, 64),
        lambda q, t: hooks.smith_waterman_affine_cigar(q, t, 2, -1, -3, -1, 1, True, 64),
        lambda q, t: hooks.needleman_wunsch_affine_full_cigar(q, t, 2, -1, -3, -1, 64),
        lambda q, t: hooks.needleman_wunsch_affine_banded_cigar(q, t, 2, -1, -3, -1, 1, 64),
        lambda q, t: hooks.needleman_wunsch_affine_cigar(q, t, 2, -1, -3, -1, 0, False, 64),
        lambda q, t: hooks.needleman_wunsch_affine_cigar(q, t, 2, -1, -3, -1, 1, True, 64),
    ],
)
def test_kernels_refuse_a_matrix_beyond_physical_memory(run):
    # Sides of sqrt(physical memory) each: a few hundred kilobytes of input
    # whose code matrix could never be held. The kernels must refuse before
    # filling anything (this test would take minutes otherwise).
    side = math.isqrt(hooks.available_memory_bytes()) + 1
    q = t = b"A" * side
    with pytest.raises(MemoryError):
        run(q, t)


@pytest.mark.parametrize("stored", [0, -5])
def test_a_stored_score_of_zero_or_below_answers_at_once_whatever_the_size(stored):
    # Nothing is traced for such a score, so no code matrix is needed: the
    # empty answer comes at once even for sides whose matrix could never be
    # held (a prepared object of two long unrelated sequences).
    side = math.isqrt(hooks.available_memory_bytes()) + 1
    q, t = b"A" * side, b"C" * side
    assert hooks.smith_waterman_affine_cigar(q, t, 2, -1, -3, -1, stored, True, 64) == ("", 0, 0, 0, 0, 0)
    assert hooks.smith_waterman_affine_banded_cigar(q, t, 2, -1, -3, -1, stored, 64) == ("", 0, 0, 0, 0, 0)


# ---- the code matrices themselves ------------------------------------------------------


def code_rows(codes, qlen, tlen):
    return [list(codes[i * (tlen + 1):(i + 1) * (tlen + 1)]) for i in range(qlen + 1)]


def test_code_borders_and_bits_by_hand():
    q, t = b"AB", b"ABC"
    args = (2, -1, -3, -1, 0)
    rows = code_rows(hooks.traceback_codes("affine global", q, t, *args, 8), 2, 3)
    assert rows[0] == [0, 3, 11, 11] and [r[0] for r in rows] == [0, 2, 6]
    rows = code_rows(hooks.traceback_codes("linear global", q, t, *args, 8), 2, 3)
    assert rows[0] == [0, 3, 3, 3] and [r[0] for r in rows] == [0, 2, 2]
    for fill in ("linear local", "affine local"):
        rows = code_rows(hooks.traceback_codes(fill, q, t, *args, 8), 2, 3)
        assert rows[0] == [0, 0, 0, 0] and [r[0] for r in rows] == [0, 0, 0]
    # every cell floored to 0 (source 0) keeps its extension bits; ties of
    # opening and extending (open -1, extend 0) set them
    rows = code_rows(hooks.traceback_codes("affine local", b"AA", b"CC", 2, -1, -1, 0, 0, 8), 2, 2)
    assert rows == [[0, 0, 0], [0, 0, 8], [0, 4, 12]]


@pytest.mark.parametrize("fill", ["linear local", "linear global", "affine local", "affine global"])
def test_full_code_matrices_against_reference(fill):
    rng = random.Random(f"codes {fill}")
    linear, local = fill.startswith("linear"), fill.endswith("local")
    for _ in range(150):
        q, t = random_case(rng)
        scores = (rng.randint(-3, 5), rng.randint(-4, 2), rng.randint(-6, 1), rng.randint(-3, 2))
        if linear:
            want = ref.linear_codes(local, q, t, *scores[:3])[1]
        else:
            want = ref.affine_codes(local, q, t, *scores)[1]
        for width in admissible_widths(scores, len(q), len(t)):
            rows = code_rows(hooks.traceback_codes(fill, q, t, *scores, 0, width), len(q), len(t))
            assert rows == want, (q, t, scores, width)
            flat = [c for row in rows for c in row]
            if linear:
                assert max(flat, default=0) <= 3
            else:
                assert all(c < 16 for c in flat)
                assert not any(c & 4 for c in (rows[1] if len(q) else []))  # row 1: no vertical extension
                assert not any(row[1] & 8 for row in rows[1:] if len(t))  # column 1: no horizontal one


@pytest.mark.parametrize("fill", ["affine banded", "affine global banded"])
def test_banded_codes_only_inside_the_band(fill):
    # Written: row 0 up to the band's edge, column 0 of the rows the band
    # reaches, and the band's cells (every one with its extension bits, the
    # minus-infinity ties at the band's left edge included); nothing else.
    # Local borders are stops, global ones the gap codes 3, 11 and 2, 6.
    rng = random.Random(f"41051 {fill}")
    for _ in range(30):
        q, t = random_case(rng, 40)
        band = rng.randint(1, 12)
        scores = (rng.randint(1, 4), rng.randint(-4, 0), rng.randint(-6, 1), rng.randint(-3, 2))
        codes = hooks.traceback_codes(fill, q, t, *scores, band, 16)
        if codes is None:  # a row whose band is empty
            assert len(q) > len(t) + band
            continue
        want = ref.affine_codes(fill == "affine banded", q, t, *scores, band)[1]
        for i, row in enumerate(code_rows(codes, len(q), len(t))):
            for j, c in enumerate(row):
                written = (i == 0 and j <= band) or (j == 0 and i <= band) or (i > 0 and j > 0 and abs(i - j) <= band)
                assert c == (want[i][j] if written else 0xFF), (q, t, scores, band, i, j)


# ---- the fill in row passes against the one-pass cell step -------------------------------

FILL_KINDS = [(True, False), (False, False), (True, True), (False, True)]


def both_fills(local, banded, q, t, scores, half_band, width, known_best=None):
    args = (local, banded, q, t, *scores, half_band, known_best, width)
    return hooks.traceback_affine_fill(False, *args), hooks.traceback_affine_fill(True, *args)


def random_fill_scores(rng):
    # gaps of either sign, 0 included; open below, equal to or above extend
    return (rng.randint(-2, 4), rng.randint(-4, 1), rng.randint(-6, 2), rng.randint(-3, 2))


@pytest.mark.parametrize("local, banded", FILL_KINDS)
def test_row_pass_fill_gives_the_one_pass_codes_and_end(local, banded):
    # Every code (0xff where neither writes), the end cell and the band's
    # refusal, at every admissible width; small alphabets for many ties, the
    # empty and one-symbol sides, bands from 0 up to wider than the matrix.
    rng = random.Random(f"row passes {local} {banded}")
    for _ in range(1000):
        q, t = random_case(rng, rng.choice((1, 3, 20)))
        scores = random_fill_scores(rng)
        half_band = rng.randint(0, 12)
        for width in admissible_widths(scores, len(q), len(t)):
            one, rows = both_fills(local, banded, q, t, scores, half_band, width)
            assert rows == one, (q, t, scores, half_band, width)


def test_row_pass_local_fill_stops_after_the_row_of_the_end_cell():
    # Told the best score (the driver's own score pass), the fill leaves the
    # rows below the end cell unwritten, wherever that cell lies; not told
    # (a stored score), it fills every row. Both fills agree on both.
    rng = random.Random("row passes early stop")
    for n in range(60):
        q, t = random_case(rng, 30)
        if n % 3 == 0:  # an end cell in the first rows
            q = t[:5] + q
        scores = random_fill_scores(rng)
        whole = hooks.traceback_affine_fill(False, True, False, q, t, *scores, 0, None, 64)
        one, rows = both_fills(True, False, q, t, scores, 0, 64, known_best=whole[1])
        assert rows == one
        if whole[1] > 0:
            stride = len(t) + 1
            assert rows[0][(whole[2] + 1) * stride:] == b"\xff" * ((len(q) - whole[2]) * stride)
        assert rows[1:] == whole[1:]


@pytest.mark.parametrize("local, banded", FILL_KINDS)
def test_row_pass_fill_at_the_edge_of_8_bit_cells(local, banded):
    # max|score| x (qlen + tlen) just below 128: the lowest global scores
    # and the sums the row passes form from them stay inside the cell
    rng = random.Random(f"row passes edge {local} {banded}")
    for _ in range(200):
        scores = random_fill_scores(rng)
        top = max(map(abs, scores))
        if top == 0:
            continue
        total = 127 // top
        qlen = rng.randint(0, total)
        q = bytes(rng.choice(b"AC") for _ in range(qlen))
        t = bytes(rng.choice(b"AC") for _ in range(total - qlen))
        one, rows = both_fills(local, banded, q, t, scores, rng.randint(0, 6), 8)
        assert rows == one, (q, t, scores)


@pytest.mark.parametrize("scores", [(2, -1, -3, -1), (1, -2, -2, 0), (3, -3, -4, -2), (2, -1, 1, -2)])
def test_row_pass_fill_on_long_related_pairs(scores):
    rng = random.Random(f"row passes long {scores}")
    q, t = (s.encode() for s in related(rng, 300, 320))
    for local, banded in FILL_KINDS:
        one, rows = both_fills(local, banded, q, t, scores, 40, 16)
        assert rows == one, (local, banded)
