"""The striped Smith-Waterman scores and the prepared score objects against
the plain dynamic programmes: every input kind, automatic and forced widths,
scoring values of both signs, repeated calls on one object, the batch form
and the errors."""

import random
import zlib

import numpy as np
import pytest

import veltrocamber as vc
from reference import alignment_dp as dp
from reference.alignment_dp import as_kind
from veltrocamber import _swar as sw

LINEAR_GAPS = "prepared Farrar scoring currently requires linear gaps; gap_open_score and gap_extend_score must match"
SINGLE_TEXT = "targets must be an iterable of target sequences, not a single str/bytes"
NOT_SEQUENCE = "targets must be a sequence of target sequences"
BOUND = "alignment score bound exceeds the 64-bit kernel capacity"

DNA = "ACGT"
PROTEIN = "ACDEFGHIKLMNPQRSTVWY"

AFFINE_PREPARE = [sw._prepare_smith_waterman_affine_score, sw._prepare_smith_waterman_affine_farrar_score,
                  sw._prepare_needleman_wunsch_affine_score]
LOCAL_AFFINE_PREPARED = [sw._smith_waterman_affine_score_prepared, sw._smith_waterman_affine_farrar_score_prepared]


def kw(m, x, o, e, width=None):
    args = dict(match_score=m, mismatch_score=x, gap_open_score=o, gap_extend_score=e)
    if width is not None:
        args["width"] = width
    return args


def fitting_widths(q, t, values):
    """None (automatic), 64, and each narrower width that holds the score bound."""
    bound = max(abs(v) for v in values) * (len(q) + len(t))
    return [None, 64] + [w for w in (8, 16, 32) if bound < 2 ** (w - 1)]


def random_pairs(seed, count, alphabet, max_len, scale=1):
    rng = random.Random(seed)
    for _ in range(count):
        q = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, max_len)))
        t = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, max_len)))
        m, x, o, e = (rng.randint(-5, 5) * scale for _ in range(4))
        if rng.random() < 0.3:
            e = o  # linear gaps
        yield q, t, (m, x, o, e)


def check_every_form(q, t, values, kind, width):
    """One-shot == prepared == the same object again == the oracle; local,
    global, local on one prepared affine object."""
    m, x, o, e = values
    local = dp.score(True, q, t, m, x, o, e)
    glob = dp.score(False, q, t, m, x, o, e)
    qq, tt = as_kind(kind, q), as_kind(kind, t)
    args = kw(m, x, o, e, width)
    case = (q, t, values, kind, width)
    assert vc.smith_waterman_farrar_score(qq, tt, **args) == local, case
    check_prepared_objects(qq, tt, args, local, glob, case)


def check_prepared_objects(q, t, args, local, glob, case):
    """Each prepared object against the known local and global scores: the
    linear one twice (linear gaps), each affine one local, global, local
    through the other name, local and global again."""
    if args["gap_open_score"] == args["gap_extend_score"]:
        prepared = sw._prepare_smith_waterman_farrar_score(q, t, **args)
        assert [sw._smith_waterman_farrar_score_prepared(prepared) for _ in range(2)] == [local, local], case
    for prepare in AFFINE_PREPARE:
        prepared = prepare(q, t, **args)
        got = [LOCAL_AFFINE_PREPARED[0](prepared), sw._needleman_wunsch_affine_score_prepared(prepared),
               LOCAL_AFFINE_PREPARED[1](prepared), LOCAL_AFFINE_PREPARED[0](prepared),
               sw._needleman_wunsch_affine_score_prepared(prepared)]
        assert got == [local, glob, local, local, glob], (prepare.__name__, case)


# ---- against the reference ----------------------------------------------------


@pytest.mark.parametrize("kind", ["str", "bytes", "objects", "ndarray"])
@pytest.mark.parametrize("alphabet", [DNA, PROTEIN], ids=["dna", "protein"])
def test_every_form_matches_the_reference(kind, alphabet):
    seed = zlib.crc32(f"{kind}{alphabet}".encode())
    rng = random.Random(seed)
    for q, t, values in random_pairs(seed, 30, alphabet, 80):
        widths = fitting_widths(q, t, values)
        check_every_form(q, t, values, kind, rng.choice(widths))


@pytest.mark.parametrize("scale", [1, 300, 10**6])
def test_every_width_matches_the_reference(scale):
    # Scaled values reach the 16- and 32-bit automatic widths too; every
    # width that holds the bound is forced in turn.
    for q, t, values in random_pairs(scale, 10, DNA, 40, scale):
        for width in fitting_widths(q, t, values):
            check_every_form(q, t, values, "str", width)


def test_long_pairs_cross_segments_and_lane_boundaries():
    rng = random.Random(5)
    for n in (63, 64, 65, 130):
        q = "".join(rng.choice(DNA) for _ in range(n))
        t = q[: n // 3] + "".join(rng.choice(DNA) for _ in range(n // 5)) + q[n // 2:]
        for values in ((2, -3, -5, -2), (1, -1, -1, -3), (2, -1, -1, -1), (1, 1, -2, -1), (2, -1, 1, -2)):
            check_every_form(q, t, values, "bytes", None)


# ---- lane widths: the edges, and pairs that outgrow 8-bit lanes partway ------


def lane_edge_cases():
    """Pairs at the edges where the automatic width changes its lanes, as
    (name, query, target, scoring values)."""
    rng = random.Random(77)

    def text(alphabet, n):
        return "".join(rng.choice(alphabet) for _ in range(n))

    cases = []
    # Identical pairs of 127 and 128 with unit values: the first provably
    # fits 8-bit lanes; the second's score 128 outgrows them at its last
    # columns and goes on on 16-bit ones.
    for n in (127, 128):
        q = text(DNA, n)
        cases += [(f"identical-{n}-affine", q, q, (1, -1, -3, -1)), (f"identical-{n}-linear", q, q, (1, -1, -1, -1))]
    # A shared stretch in the middle: the checked 8-bit lanes give up where
    # it begins to score high, wider lanes go on from that column; once with
    # a gap inside the stretch.
    q = text(PROTEIN, 90)
    cases.append(("stretch", q, text(PROTEIN, 40) + q[20:80] + text(PROTEIN, 20), (5, -4, -11, -1)))
    cases.append(("stretch-gapped", q, text(PROTEIN, 30) + q[10:40] + q[46:85], (5, -4, -11, -1)))
    cases.append(("stretch-linear", q, text(PROTEIN, 40) + q[20:80], (5, -4, -4, -4)))
    # Values that fit 8-bit lanes and a best score of 127 x 258 or 127 x 259,
    # just inside 16-bit lanes or past them: the checked 8-bit lanes hand
    # over to 16- or to 32-bit ones partway.
    for n in (258, 259):
        q = text(DNA, n)
        cases.append((f"lanes16-edge-{n}", q, text(DNA, 60) + q[100:240] + text(DNA, n - 200),
                      (127, -128, -128, -1)))
    # A score bound just below and at 2^31 (32-bit lanes or width 64), with
    # values too large for 8-bit lanes.
    for n in (63, 64):
        q = text(DNA, n)
        cases.append((f"bound32-edge-{n}", q, q[:20] + text(DNA, 44),
                      (2**24, -(2**24), -(2**24), -(2**23))))
    return cases


LANE_EDGES = lane_edge_cases()


@pytest.mark.parametrize("name, q, t, values", LANE_EDGES, ids=[case[0] for case in LANE_EDGES])
def test_lane_edges_every_width_every_form(name, q, t, values):
    # One-shot, batch and prepared objects (each called more than once, local
    # and global interleaved on one affine object) against the plain model,
    # at every width the pair admits.
    m, x, o, e = values
    local = dp.score(True, q, t, m, x, o, e)
    glob = dp.score(False, q, t, m, x, o, e)
    for width in fitting_widths(q, t, values):
        args = kw(m, x, o, e, width)
        case = (name, width)
        assert vc.smith_waterman_score(q, t, **args) == local, case
        assert vc.smith_waterman_farrar_score(q, t, **args) == local, case
        assert vc.smith_waterman_scores(q, [t, q], **args).tolist()[0] == local, case
        assert vc.needleman_wunsch_score(q, t, **args) == glob, case
        check_prepared_objects(q, t, args, local, glob, case)


def test_lane_edges_reach_the_widths_they_are_named_for():
    # The cases above are only edges if the width rule puts them there.
    by_name = {name: (q, t, values) for name, q, t, values in LANE_EDGES}

    def narrowest_width(name):
        q, t, values = by_name[name]
        for width in (8, 16, 32):
            try:
                vc.smith_waterman_score(q, t, **kw(*values, width))
                return width
            except ValueError:
                pass
        return 64

    assert narrowest_width("bound32-edge-63") == 32
    assert narrowest_width("bound32-edge-64") == 64
    for name in ("lanes16-edge-258", "lanes16-edge-259"):
        assert narrowest_width(name) == 32
    q, t, _ = by_name["lanes16-edge-258"]
    assert 127 * min(len(q), len(t)) < 2**15 <= 127 * (min(len(q), len(t)) + 1)


# ---- mended: positive values -----------------------------------------------------


@pytest.mark.parametrize("width", [None, 8, 16, 32, 64])
def test_positive_gap_values_score_as_the_plain_recurrence(width):
    # The striped local kernels start E and F at 0, which only holds for
    # gap values <= 0: positive ones must take the scalar kernels.
    w = {} if width is None else dict(width=width)
    affine = kw(2, -1, 2, 1, width)
    assert vc.smith_waterman_farrar_score("ACGT", "AGT", **affine) == 12 == vc.smith_waterman_score("ACGT", "AGT",
                                                                                                    **affine)
    assert vc.smith_waterman_farrar_scores("ACGT", ["AGT", "ACGT"], **affine).tolist() == [12, 14]
    for prepare in AFFINE_PREPARE:
        prepared = prepare("ACGT", "AGT", **affine)
        assert [f(prepared) for f in LOCAL_AFFINE_PREPARED] == [12, 12]
        assert sw._needleman_wunsch_affine_score_prepared(prepared) == dp.global_affine("ACGT", "AGT", 2, -1, 2, 1)
    assert vc.smith_waterman_farrar_score("ACGT", "AGT", gap_score=1, **w) == 7
    assert vc.smith_waterman_farrar_scores("ACGT", ["AGT"], gap_score=1, **w).tolist() == [7]
    prepared = sw._prepare_smith_waterman_farrar_score("ACGT", "AGT", gap_score=1, **w)
    assert sw._smith_waterman_farrar_score_prepared(prepared) == 7
    rng = random.Random(17)
    for _ in range(40):
        q = "".join(rng.choice(DNA) for _ in range(rng.randint(1, 20)))
        t = "".join(rng.choice(DNA) for _ in range(rng.randint(1, 20)))
        o, e = rng.randint(-3, 3), rng.randint(-3, 3)
        if o <= 0 and e <= 0:
            o = 1
        if width is not None and width < 64 and 3 * (len(q) + len(t)) >= 2 ** (width - 1):
            continue
        check_every_form(q, t, (2, -1, o, e), "str", width)
        check_every_form(q, t, (2, -1, o, o), "str", width)


def test_positive_mismatch_stays_inside_the_query():
    # Padding lanes scored with the mismatch value would give 4.
    assert vc.smith_waterman_farrar_score(b"A", b"BBBB", match_score=2, mismatch_score=1, gap_score=-1) == 1
    rng = random.Random(12)
    for _ in range(40):
        q = "".join(rng.choice(DNA) for _ in range(rng.randint(0, 25)))
        t = "".join(rng.choice(DNA) for _ in range(rng.randint(0, 25)))
        o = -rng.randint(0, 3)
        for e in (o, o - 1):
            check_every_form(q, t, (rng.randint(-3, 3), rng.randint(1, 3), o, e), "bytes", None)


# ---- mended: the width-64 affine bound -----------------------------------------


def test_wide_affine_bound_below_the_sentinel():
    # The wide kernels read every value at or below -2^60 as minus infinity;
    # read literally, this global score would come out -2^60 + 2 instead of
    # -2^60 - 1.
    for prepare in AFFINE_PREPARE:
        with pytest.raises(OverflowError, match=BOUND):
            prepare("BA", "A", gap_open_score=-(2**60), gap_extend_score=-1)
        with pytest.raises(OverflowError, match=BOUND):
            prepare("BA", "A", gap_open_score=2**60, gap_extend_score=-1)
        with pytest.raises(OverflowError, match=BOUND):
            prepare("BA", "A", gap_open_score=-3, gap_extend_score=-1, match_score=2**59)
    with pytest.raises(OverflowError, match=BOUND):
        vc.smith_waterman_farrar_score("BA", "A", gap_open_score=-(2**60), gap_extend_score=-1)
    with pytest.raises(OverflowError, match=BOUND):
        vc.smith_waterman_farrar_scores("BA", ["A"], gap_open_score=-(2**60), gap_extend_score=-1)
    # Below 2^60 the wide kernels answer exactly; linear gaps never reach them.
    for open_ in (-(2**58), 2**58):
        check_every_form("BA", "A", (2, -1, open_, -1), "str", None)
    assert vc.smith_waterman_farrar_score("BA", "A", gap_score=-(2**60)) == 2
    prepared = sw._prepare_smith_waterman_farrar_score("BA", "A", gap_score=-(2**60))
    assert sw._smith_waterman_farrar_score_prepared(prepared) == 2


# ---- gap keywords, batches, objects ----------------------------------------------


def test_gap_keywords():
    q, t = "ACGTTTACG", "ACGACG"
    linear = dp.local_linear(q, t, 2, -1, -2)
    for gaps in (dict(gap_score=-2), dict(gap_open_score=-2), dict(gap_open_score=-2, gap_extend_score=-2),
                 dict(gap_score=-2, gap_extend_score=-2)):
        assert vc.smith_waterman_farrar_score(q, t, **gaps) == linear
        assert sw._smith_waterman_farrar_score_prepared(sw._prepare_smith_waterman_farrar_score(q, t, **gaps)) == linear
    affine = dp.local_affine(q, t, 2, -1, -3, -1)
    assert vc.smith_waterman_farrar_score(q, t, gap_score=-3, gap_extend_score=-1) == affine
    prepared = sw._prepare_smith_waterman_affine_score(q, t, gap_score=-3, gap_extend_score=-1)
    assert sw._smith_waterman_affine_score_prepared(prepared) == affine
    # an affine object takes linear gaps too
    prepared = sw._prepare_needleman_wunsch_affine_score(q, t, gap_score=-2)
    assert sw._needleman_wunsch_affine_score_prepared(prepared) == dp.global_linear(q, t, 2, -1, -2)


@pytest.mark.parametrize("gaps", [(-1, -1), (-4, -1), (2, -1), (1, 1)])
def test_batch_equals_pairwise(gaps):
    rng = random.Random(21)
    q = "ACGTACGGTA"
    targets = ["".join(rng.choice(DNA) for _ in range(rng.randint(0, 30))) for _ in range(25)]
    targets += ["A" * 200, "", [("sym", "A")], "AC"]  # a long target widens only itself
    args = kw(2, -1, *gaps)
    out = vc.smith_waterman_farrar_scores(q, targets, **args)
    assert isinstance(out, np.ndarray) and out.dtype == np.int64 and out.shape == (len(targets),)
    assert out.tolist() == [vc.smith_waterman_farrar_score(q, t, **args) for t in targets]
    empty = vc.smith_waterman_farrar_scores(q, [], **args)
    assert empty.dtype == np.int64 and empty.shape == (0,)


def batch_case(rng, width, affine):
    """A query and targets whose score bound fits `width` (any length when
    None or 64): every length, shorter and longer than the targets before,
    empty, the query itself and targets sharing no symbol with it; scorings
    that take the closed forms (equal match and mismatch, a zero gap) too."""
    m, x = rng.randint(-3, 5), rng.randint(-5, 3)
    if rng.random() < 0.2:
        x = m
    o = rng.choice([0, -1, -2, -3, -5])
    e = rng.choice([0, -1, -2]) if affine else o
    limit = 2 ** (width - 1) if width in (8, 16, 32) else 2**40
    total = (limit - 1) // max(abs(m), abs(x), abs(o), abs(e), 1)
    alphabet = rng.choice([DNA, PROTEIN])
    q = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, min(30, total // 2))))
    longest = min(70, total - len(q))
    targets = ["".join(rng.choice(alphabet) for _ in range(rng.randint(0, longest))) for _ in range(12)]
    targets += [q[:longest], "", "WXYZ"[: longest], q[::-1][:longest], "A" * min(200, total - len(q))]
    rng.shuffle(targets)
    return q, targets, (m, x, o, e)


@pytest.mark.parametrize("width", [None, 8, 16, 32, 64])
def test_batches_match_prepared_objects_the_scalar_kernel_and_the_reference(width):
    # A batch keeps its striped profile rows from target to target (one set
    # per lane width) and switches lanes when a long target needs wider ones.
    rng = random.Random(900 + (width or 0))
    for affine in (False, True, False, True):
        q, targets, (m, x, o, e) = batch_case(rng, width, affine)
        args = kw(m, x, o, e, width)
        case = (q, m, x, o, e, width)
        local = [dp.score(True, q, t, m, x, o, e) for t in targets]
        assert vc.smith_waterman_farrar_scores(q, targets, **args).tolist() == local, case
        assert vc.smith_waterman_scores(q, targets, **args).tolist() == local, case
        prepare = sw._prepare_smith_waterman_farrar_score if o == e else sw._prepare_smith_waterman_affine_score
        score = sw._smith_waterman_farrar_score_prepared if o == e else sw._smith_waterman_affine_score_prepared
        assert [score(prepare(q, t, **args)) for t in targets] == local, case
        glob = [dp.score(False, q, t, m, x, o, e) for t in targets]
        assert vc.needleman_wunsch_scores(q, targets, **args).tolist() == glob, case


def test_prepared_object_keeps_its_own_copy():
    # The codes are taken at preparation: later edits of the inputs change
    # nothing, and a width-64 object keeps the copied codes.
    query, target = list("ACGTTGCA"), list("ACGTAGCA")
    linear = dp.local_linear(query, target, 2, -1, -1)
    affine = dp.local_affine(query, target, 2, -1, -3, -1)
    objects = [(sw._prepare_smith_waterman_farrar_score(query, target, width=w), sw._smith_waterman_farrar_score_prepared,
                linear) for w in (None, 64)]
    objects += [(sw._prepare_smith_waterman_affine_score(query, target, width=w, gap_open_score=-3, gap_extend_score=-1),
                 sw._smith_waterman_affine_score_prepared, affine) for w in (None, 64)]
    query[:] = list("TTTT")
    target.clear()
    for prepared, score, want in objects:
        assert score(prepared) == want


def test_empty_sides_answer_zero_locally():
    for q, t in (("", "ACGT"), ("ACGT", ""), ("", "")):
        for width in (None, 64):
            assert sw._smith_waterman_farrar_score_prepared(
                sw._prepare_smith_waterman_farrar_score(q, t, width=width, gap_score=2)) == 0
            prepared = sw._prepare_smith_waterman_affine_score(q, t, width=width, gap_open_score=-3, gap_extend_score=-1)
            assert sw._smith_waterman_affine_score_prepared(prepared) == 0
            assert sw._needleman_wunsch_affine_score_prepared(prepared) == dp.global_affine(q, t, 2, -1, -3, -1)


# ---- errors -----------------------------------------------------------------------


def raises_for(call, error, match=None):
    with pytest.raises(error, match=match) as info:
        call()
    return info


ERRORS = [
    # the linear-gap rule of the prepared Farrar object
    (lambda: sw._prepare_smith_waterman_farrar_score("AC", "AC", gap_open_score=-2, gap_extend_score=-1), ValueError,
     LINEAR_GAPS),
    (lambda: sw._prepare_smith_waterman_farrar_score("AC", "AC", gap_extend_score=-2), ValueError, LINEAR_GAPS),
    (lambda: sw._prepare_smith_waterman_farrar_score("AC", "AC", gap_score=-3, gap_extend_score=-1), ValueError,
     LINEAR_GAPS),
    # targets
    (lambda: vc.smith_waterman_farrar_scores("AC", "ACGT"), TypeError, SINGLE_TEXT),
    (lambda: vc.smith_waterman_farrar_scores("AC", b"ACGT"), TypeError, SINGLE_TEXT),
    (lambda: vc.smith_waterman_farrar_scores("AC", 5), TypeError, NOT_SEQUENCE),
    (lambda: vc.smith_waterman_farrar_scores("AC", None), TypeError, NOT_SEQUENCE),
    (lambda: vc.smith_waterman_farrar_scores("AC", ["AC", b"AC"]), TypeError, "bytes and str inputs cannot be aligned"),
    # prepared objects of the wrong class, and no constructors
    (lambda: sw._smith_waterman_farrar_score_prepared(None), TypeError, "incompatible function arguments"),
    (lambda: sw._smith_waterman_affine_score_prepared(None), TypeError, "incompatible function arguments"),
    (lambda: sw._smith_waterman_farrar_score_prepared(sw._prepare_smith_waterman_affine_score("A", "A")), TypeError,
     "incompatible function arguments"),
    (lambda: sw._needleman_wunsch_affine_score_prepared(sw._prepare_smith_waterman_farrar_score("A", "A")), TypeError,
     "incompatible function arguments"),
    (lambda: sw._smith_waterman_affine_farrar_score_prepared("AC"), TypeError, "incompatible function arguments"),
    (lambda: sw._PreparedSmithWatermanFarrarScore(), TypeError, "no constructor"),
    (lambda: sw._PreparedAffineScore(), TypeError, "no constructor"),
    # widths, as the Farrar channel refuses them
    (lambda: vc.smith_waterman_farrar_score("AC", "AC", width=12), ValueError, "width must be None, 0, 8, 16, 32, or 64"),
    (lambda: sw._prepare_smith_waterman_affine_score("AC", "AC", width=12), ValueError, "width must be None"),
    (lambda: sw._prepare_smith_waterman_farrar_score("A" * 100, "A" * 100, width=8), ValueError, "narrower"),
    (lambda: vc.smith_waterman_farrar_scores("A" * 100, ["A"], width=8, gap_open_score=-3), ValueError, "narrower"),
    (lambda: sw._prepare_needleman_wunsch_affine_score("AC", "AC", width=-1), OverflowError, "width"),
    # the width-64 affine bound
    (lambda: sw._prepare_needleman_wunsch_affine_score("BA", "A", gap_open_score=-(2**60), gap_extend_score=-1),
     OverflowError, BOUND),
    # inputs
    (lambda: vc.smith_waterman_farrar_score(b"AC", "AC"), TypeError, "bytes and str inputs cannot be aligned"),
    (lambda: sw._prepare_smith_waterman_affine_score(None, "AC"), TypeError, "query must be"),
    (lambda: vc.smith_waterman_farrar_score("AC", "AC", 2), TypeError, None),  # keywords are keyword-only
]


@pytest.mark.parametrize("call, error, match", ERRORS)
def test_errors(call, error, match):
    raises_for(call, error, match)


def test_keywords_convert_width_first_then_open_then_extend():
    for fn in (sw._prepare_smith_waterman_farrar_score, sw._prepare_smith_waterman_affine_score,
               vc.smith_waterman_farrar_score):
        name = fn.__name__
        info = raises_for(lambda: fn("A", "A", width="w", gap_open_score="o", gap_extend_score="e"), TypeError)
        assert str(info.value).startswith(f"{name}: width")
        info = raises_for(lambda: fn("A", "A", gap_open_score="o", gap_extend_score="e"), TypeError)
        assert str(info.value).startswith(f"{name}: gap_open_score")
        info = raises_for(lambda: fn("A", "A", gap_extend_score="e"), TypeError)
        assert str(info.value).startswith(f"{name}: gap_extend_score")
    # the keywords come before the targets are looked at
    info = raises_for(lambda: vc.smith_waterman_farrar_scores("A", "A", width="w"), TypeError)
    assert str(info.value).startswith("smith_waterman_farrar_scores: width")
