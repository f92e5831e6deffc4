"""The five alignment score entry points against the plain dynamic programmes:
every input kind, every kernel width, linear and affine gaps of both signs,
the batch and top-k forms, and the errors."""

import random
import zlib

import numpy as np
import pytest

import veltrocamber as vc
from reference import alignment_dp as dp
from reference.alignment_dp import as_kind

NDARRAY_LINEAR = (
    "ndarray inputs are only supported on the score-only path (smith_waterman_score / needleman_wunsch_score); "
    "traceback / path / cigar variants do not yet support ndarray inputs"
)
SINGLE_TEXT = "targets must be an iterable of target sequences, not a single str/bytes"
NOT_SEQUENCE = "targets must be a sequence of target sequences"
BOUND = "alignment score bound exceeds the 64-bit kernel capacity"

DNA = "ACGT"
PROTEIN = "ACDEFGHIKLMNPQRSTVWY"

SCORE_FNS = {True: vc.smith_waterman_score, False: vc.needleman_wunsch_score}
BATCH_FNS = {True: vc.smith_waterman_scores, False: vc.needleman_wunsch_scores}


def kw(m, x, o, e):
    return dict(match_score=m, mismatch_score=x, gap_open_score=o, gap_extend_score=e)


def random_pairs(seed, count, alphabet, max_len, lo=-5, hi=5):
    rng = random.Random(seed)
    for _ in range(count):
        q = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, max_len)))
        t = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, max_len)))
        yield q, t, [rng.randint(lo, hi) for _ in range(4)]


# ---- against the reference ----------------------------------------------------


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
@pytest.mark.parametrize("kind", ["str", "bytes", "objects", "ndarray"])
@pytest.mark.parametrize("alphabet", [DNA, PROTEIN], ids=["dna", "protein"])
def test_scores_match_reference(local, kind, alphabet):
    fn = SCORE_FNS[local]
    seed = zlib.crc32(f"{local}{kind}{alphabet}".encode())
    for q, t, (m, x, o, e) in random_pairs(seed, 60, alphabet, 45):
        if kind == "ndarray" and o == e:
            e = o - 1  # linear gaps refuse arrays; see test_linear_gaps_refuse_arrays
        ref = dp.score(local, q, t, m, x, o, e)
        assert fn(as_kind(kind, q), as_kind(kind, t), **kw(m, x, o, e)) == ref, (q, t, m, x, o, e)


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
@pytest.mark.parametrize("width", [0, 16, 32, 64])
def test_every_width_gives_the_reference_score(local, width):
    # Scaled-up values reach the 16- and 32-bit automatic widths too.
    fn = SCORE_FNS[local]
    for scale in (1, 300, 10**6):
        for q, t, (m, x, o, e) in random_pairs(width + scale, 12, DNA, 40):
            args = kw(m * scale, x * scale, o * scale, e * scale)
            bound = 5 * scale * (len(q) + len(t))
            if width and width < 64 and bound >= 2 ** (width - 1):
                continue
            ref = dp.score(local, q, t, *args.values())
            assert fn(q, t, width=width or None, **args) == ref


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
def test_long_sequences_cross_segments_and_lane_widths(local):
    rng = random.Random(4)
    fn = SCORE_FNS[local]
    for n in (63, 64, 65, 130, 300):
        q = "".join(rng.choice(DNA) for _ in range(n))
        t = q[: n // 3] + "".join(rng.choice(DNA) for _ in range(n // 5)) + q[n // 2:]
        for m, x, o, e in ((2, -3, -5, -2), (1, -1, -1, -3), (2, -1, -1, -1), (1, 1, -2, -1)):
            assert fn(q, t, **kw(m, x, o, e)) == dp.score(local, q, t, m, x, o, e), (n, m, x, o, e)


def test_local_affine_with_positive_gap_values_takes_the_scalar_recurrence():
    for q, t, (m, x, o, e) in random_pairs(8, 80, DNA, 20, lo=-3, hi=3):
        if o == e:
            continue
        ref = dp.local_affine(q, t, m, x, o, e)
        assert vc.smith_waterman_score(q, t, **kw(m, x, o, e)) == ref
        assert list(vc.smith_waterman_scores(q, [t, q], **kw(m, x, o, e))) == [ref, dp.local_affine(q, q, m, x, o, e)]


def test_global_affine_with_positive_gap_values():
    for q, t, (m, x, o, e) in random_pairs(9, 80, DNA, 20, lo=-3, hi=3):
        if o != e and (o > 0 or e > 0):
            assert vc.needleman_wunsch_score(q, t, **kw(m, x, o, e)) == dp.global_affine(q, t, m, x, o, e)


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
def test_wide_tokens_are_distinct_symbols(local):
    # Code points that share their low byte must not be confused.
    q, t = "\u0141\u0241\u0341A", "\u0241A\u0141"
    fn = SCORE_FNS[local]
    for o, e in ((-1, -1), (-3, -1)):
        assert fn(q, t, **kw(2, -1, o, e)) == dp.score(local, q, t, 2, -1, o, e)
    emoji = "\U0001F600\U0001F601\U0001F600"
    assert fn(emoji, "\U0001F601\U0001F600", **kw(2, -1, -1, -1)) == dp.score(local, emoji, "\U0001F601\U0001F600",
                                                                             2, -1, -1, -1)


# ---- examples and gap keywords --------------------------------------------------


def test_gap_keywords():
    q, t = "ACGTTTACG", "ACGACG"
    linear3 = dp.local_linear(q, t, 2, -1, -3)
    assert vc.smith_waterman_score(q, t, gap_score=-3) == linear3
    assert vc.smith_waterman_score(q, t, gap_open_score=-3) == linear3
    assert vc.smith_waterman_score(q, t, gap_open_score=-3, gap_extend_score=-3) == linear3
    assert vc.smith_waterman_score(q, t, gap_score=-3, gap_extend_score=-1) == dp.local_affine(q, t, 2, -1, -3, -1)


def test_documented_examples():
    assert vc.smith_waterman_score("ACGT", "ACGT", gap_open_score=-3, gap_extend_score=-1) == 8
    assert vc.smith_waterman_score("ACGTTACG", "ACGACG", gap_open_score=-3, gap_extend_score=-1) == 8
    assert vc.smith_waterman_score("ACGTTACG", "ACGACG", gap_score=-1) == 10
    assert vc.needleman_wunsch_score("", "") == 0
    assert vc.needleman_wunsch_score("", "ACGT", gap_score=-2) == -8
    assert vc.needleman_wunsch_score("ACGT", "", gap_open_score=-3, gap_extend_score=-1) == -6
    assert vc.smith_waterman_score("", "ACGT", match_score=5, gap_score=3) == 0


def test_positive_mismatch_stays_inside_the_query():
    # Padding lanes scored with the mismatch value would give 4.
    assert vc.smith_waterman_score(b"A", b"BBBB", match_score=2, mismatch_score=1, gap_open_score=-3,
                                   gap_extend_score=-1) == 1
    for q, t, (m, x, o, e) in random_pairs(12, 60, DNA, 25, lo=-3, hi=3):
        o, e = -abs(o), -abs(e) - 1
        assert vc.smith_waterman_score(q, t, **kw(m, abs(x), o, e)) == dp.local_affine(q, t, m, abs(x), o, e)


# ---- batches and top-k ----------------------------------------------------------


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
@pytest.mark.parametrize("gaps", [(-1, -1), (-4, -1), (2, -1)])
def test_batch_equals_pairwise(local, gaps):
    rng = random.Random(21)
    q = "ACGTACGGTA"
    targets = ["".join(rng.choice(DNA) for _ in range(rng.randint(0, 30))) for _ in range(25)]
    args = kw(2, -1, *gaps)
    out = BATCH_FNS[local](q, targets, **args)
    assert isinstance(out, np.ndarray) and out.dtype == np.int64 and out.shape == (25,)
    assert list(out) == [SCORE_FNS[local](q, t, **args) for t in targets]
    # each target gets its own width: a long target widens only itself
    assert list(BATCH_FNS[local](q, ("AC", "A" * 200), **args)) == [SCORE_FNS[local](q, "AC", **args),
                                                                     SCORE_FNS[local](q, "A" * 200, **args)]
    assert BATCH_FNS[local](q, [], **args).shape == (0,)


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
def test_affine_batch_reuses_nothing_stale_between_targets(local):
    # A batch refills one striped profile per lane width target after
    # target: alphabets that grow and shrink (profile rows), lengths that
    # switch the lane width back and forth, empty and one-symbol targets,
    # each scored against the plain DP.
    rng = random.Random(33)
    q = "".join(rng.choice(PROTEIN) for _ in range(23))
    targets = []
    for n, letters in ((40, PROTEIN), (3, "A"), (0, DNA), (25, DNA), (300, PROTEIN), (12, PROTEIN), (1, "W"),
                       (60, DNA), (5, PROTEIN)):
        targets.append("".join(rng.choice(letters) for _ in range(n)))
    ref = dp.local_affine if local else dp.global_affine
    out = BATCH_FNS[local](q, targets, **kw(3, -2, -4, -1))
    assert list(out) == [ref(q, t, 3, -2, -4, -1) for t in targets]


def test_top_k():
    targets = ["ACGT", "TTTT", "ACG", "GGGG", "ACGTACGT"]
    scores = [vc.smith_waterman_score("ACGTACGT", t) for t in targets]
    everything = vc.smith_waterman_top_k("ACGTACGT", targets, k=10)
    assert everything == [(t, s, i) for i, (t, s) in enumerate(zip(targets, scores))]
    assert everything[0][0] is targets[0]
    best = vc.smith_waterman_top_k("ACGTACGT", targets, k=2)
    assert sorted(best, key=lambda e: -e[1]) == [("ACGTACGT", 16, 4), ("ACGT", 8, 0)]
    assert vc.smith_waterman_top_k("ACGT", targets, k=0) == []
    assert vc.smith_waterman_top_k("ACGT", [], k=3) == []
    affine = vc.smith_waterman_top_k("ACGTACGT", targets, k=5, gap_open_score=-3, gap_extend_score=-1)
    assert [e[1] for e in affine] == [dp.local_affine("ACGTACGT", t, 2, -1, -3, -1) for t in targets]


# ---- errors -----------------------------------------------------------------------


@pytest.mark.parametrize("fn", [vc.smith_waterman_scores, vc.needleman_wunsch_scores, vc.smith_waterman_top_k])
def test_batch_target_errors(fn):
    for single in ("ACGT", b"ACGT"):
        with pytest.raises(TypeError, match=SINGLE_TEXT):
            fn("ACGT", single)
    for not_a_sequence in (5, None):
        with pytest.raises(TypeError, match=NOT_SEQUENCE):
            fn("ACGT", not_a_sequence)
    with pytest.raises(TypeError):  # a failing target aborts the call
        fn("ACGT", ["ACGT", b"ACGT"])


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
def test_input_errors(local):
    fn = SCORE_FNS[local]
    a = np.array([1, 2, 3], dtype=np.int64)
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned"):
        fn(b"AC", "AC")
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned"):
        fn(b"AC", "AC", gap_open_score=-3, gap_extend_score=-1)
    with pytest.raises(TypeError, match="mixing ndarray"):
        fn(a, [1, 2], gap_open_score=-3, gap_extend_score=-1)
    with pytest.raises(ValueError, match=r"width must be None, 0, 8, 16, 32, or 64"):
        fn("AC", "AC", width=12)
    with pytest.raises(ValueError, match="narrower"):
        fn("A" * 100, "A" * 100, width=8)
    with pytest.raises(OverflowError, match=BOUND):
        fn("AC", "AC", match_score=-(2**63))
    with pytest.raises(TypeError):
        fn("AC", "AC", 2)  # scoring keywords are keyword-only


def test_linear_gaps_refuse_arrays():
    a = np.array([1, 2, 3], dtype=np.int64)
    for fn in SCORE_FNS.values():
        with pytest.raises(TypeError) as info:
            fn(a, a)
        assert str(info.value) == NDARRAY_LINEAR
        assert fn(a, a, gap_open_score=-3, gap_extend_score=-1) == 6


@pytest.mark.parametrize("local", [True, False], ids=["local", "global"])
def test_wide_affine_bound_below_the_sentinel(local):
    # -2^61 stands for minus infinity in the width-64 affine kernels and
    # anything at or below -2^60 reads as it, so such bounds are refused.
    fn = SCORE_FNS[local]
    with pytest.raises(OverflowError, match=BOUND):
        fn("BA", "A", gap_open_score=-(2**60), gap_extend_score=-1)
    with pytest.raises(OverflowError, match=BOUND):
        fn("BA", "A", gap_open_score=-(2**59), gap_extend_score=-1)  # bound 3 * 2^59
    # bound 3 * 2^58 is below 2^60: the wide kernels answer exactly
    for open_ in (-(2**58), 2**58):
        assert fn("BA", "A", gap_open_score=open_, gap_extend_score=-1) == dp.score(local, "BA", "A", 2, -1, open_, -1)
    # linear gaps never reach the wide affine kernels and keep the full range
    assert fn("BA", "A", gap_score=-(2**60)) == dp.score(local, "BA", "A", 2, -1, -(2**60), -(2**60))


@pytest.mark.parametrize("fn", [vc.smith_waterman_score, vc.needleman_wunsch_score])
def test_none_inputs_meet_input_preparation(fn):
    with pytest.raises(TypeError, match="query must be bytes, str, or a sequence of immutable hashable objects"):
        fn(None, "AC")
    with pytest.raises(TypeError, match="target must be bytes, str, or a sequence of immutable hashable objects"):
        fn("AC", None, gap_open_score=-3, gap_extend_score=-1)
