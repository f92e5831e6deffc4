"""smith_waterman_path(_info) and needleman_wunsch_path(_info): argument
conversion, gap roads, widths, aligned rows, and the paths themselves
against the plain-Python models (same tie-breaks, exact operations)."""

import math
import random

import pytest

from reference import traceback_reference as ref
from reference.input_preparation import render_rows
from test_traceback_checkpointed import related
from veltrocamber import _swar

NARROWER = "width cannot be narrower than the automatically selected kernel width"
BAD_WIDTH = "width must be None, 0, 8, 16, 32, or 64"
NDARRAY_PATH = (
    "ndarray inputs are only supported on the score-only path (smith_waterman_score / needleman_wunsch_score); "
    "traceback / path / cigar variants do not yet support ndarray inputs"
)

PATH_INFO = {True: _swar.smith_waterman_path_info, False: _swar.needleman_wunsch_path_info}
PATH = {True: _swar.smith_waterman_path, False: _swar.needleman_wunsch_path}
KEYS = ("score", "query_start", "query_end", "target_start", "target_end", "operations")


def fields(record):
    return {k: getattr(record, k) for k in KEYS}


def reference_path(local, query, target, match=2, mismatch=-1, gap=-1, gap_open=None, gap_extend=None):
    open_ = gap if gap_open is None else gap_open
    extend = open_ if gap_extend is None else gap_extend
    if open_ == extend:
        return ref.linear_path(local, query, target, match, mismatch, open_)
    return ref.affine_path(local, query, target, match, mismatch, open_, extend)


def random_inputs(rng, kind, max_len=14):
    symbols = "ACGT"[: rng.randint(1, 4)]
    q = "".join(rng.choice(symbols) for _ in range(rng.randint(0, max_len)))
    t = "".join(rng.choice(symbols) for _ in range(rng.randint(0, max_len)))
    if kind == "bytes":
        return q.encode(), t.encode()
    if kind == "str":
        # code points of every storage width, so the str road is not only latin-1
        table = str.maketrans("ACGT", "a\u00e9\u4e2d\U0001f600")
        return q.translate(table), t.translate(table)
    objects = {"A": (1, 2), "C": "x", "G": 3.5, "T": None}
    return [objects[c] for c in q], [objects[c] for c in t]


def random_keywords(rng):
    kw = dict(match_score=rng.randint(-1, 4), mismatch_score=rng.randint(-3, 1), gap_score=rng.randint(-3, 1))
    road = rng.randrange(3)
    if road == 1:
        kw["gap_open_score"] = rng.randint(-5, 1)
    elif road == 2:
        kw["gap_open_score"] = rng.randint(-5, 1)
        kw["gap_extend_score"] = rng.randint(-3, 2)
    return kw


def reference_for(local, q, t, kw):
    return reference_path(local, q, t, kw["match_score"], kw["mismatch_score"], kw["gap_score"],
                          kw.get("gap_open_score"), kw.get("gap_extend_score"))


@pytest.mark.parametrize("kind", ["bytes", "str", "objects"])
@pytest.mark.parametrize("local", [True, False])
def test_paths_against_reference(local, kind):
    rng = random.Random(f"paths {local} {kind}")
    for _ in range(120):
        q, t = random_inputs(rng, kind)
        kw = random_keywords(rng)
        want = reference_for(local, q, t, kw)
        info = PATH_INFO[local](q, t, **kw)
        assert fields(info) == want
        assert info.cigar == ref.cigar(want["operations"])
        ops = want["operations"]
        assert (info.matches, info.mismatches, info.insertions, info.deletions, info.aligned_length) == (
            ops.count("="), ops.count("X"), ops.count("I"), ops.count("D"), len(ops))
        result = PATH[local](q, t, **kw)
        assert fields(result) == want
        rows = render_rows(q, t, want["query_start"], want["target_start"], ops)
        assert (result.aligned_query, result.aligned_target) == rows


@pytest.mark.parametrize("local", [True, False])
def test_paths_rescore_to_the_score_functions(local):
    score = _swar.smith_waterman_score if local else _swar.needleman_wunsch_score
    rng = random.Random(4102 + local)
    for _ in range(150):
        q, t = random_inputs(rng, "bytes", 24)
        kw = random_keywords(rng)
        info = PATH_INFO[local](q, t, **kw)
        assert info.score == score(q, t, **kw)
        open_ = kw.get("gap_open_score", kw["gap_score"])
        extend = kw.get("gap_extend_score", open_)
        rescored = ref.rescore(info.operations, q, t, info.query_start, info.target_start, kw["match_score"],
                               kw["mismatch_score"], open_, extend, global_alignment=not local)
        assert rescored == (info.score, info.query_end, info.target_end)


def test_global_affine_paths_at_every_width_against_reference():
    # the global affine road has a row kernel of its own: every admissible
    # width, gaps of either sign, ties between opening and extending
    rng = random.Random("global affine widths")
    for _ in range(60):
        if rng.random() < 0.5:
            q, t = related(rng, rng.randint(0, 30), rng.randint(1, 30))
        else:
            q, t = random_inputs(rng, "str", 20)
        match, mismatch = rng.randint(-1, 4), rng.randint(-3, 1)
        gap_open, gap_extend = rng.randint(-5, 1), rng.randint(-3, 2)
        if gap_open == gap_extend:
            gap_extend -= 1
        want = ref.affine_path(False, q, t, match, mismatch, gap_open, gap_extend)
        bound = max(map(abs, (match, mismatch, gap_open, gap_extend))) * (len(q) + len(t))
        for width in (w for w in (8, 16, 32, 64) if bound < 2 ** (w - 1)):
            got = _swar.needleman_wunsch_path_info(q, t, match_score=match, mismatch_score=mismatch,
                                                   gap_open_score=gap_open, gap_extend_score=gap_extend, width=width)
            assert fields(got) == want


def test_global_affine_paths_match_the_shared_fill_on_long_pairs(hooks):
    rng = random.Random("global affine long")
    for n, scores in ((300, (2, -1, -3, -1)), (250, (1, -2, -2, 0)), (200, (3, -3, -4, -2))):
        q, t = related(rng, n, n + 20)
        got = _swar.needleman_wunsch_path_info(q, t, match_score=scores[0], mismatch_score=scores[1],
                                               gap_open_score=scores[2], gap_extend_score=scores[3])
        shared = hooks.traceback_affine_path(False, q.encode(), t.encode(), *scores, 16)
        assert fields(got) == {k: getattr(shared, k) for k in KEYS}


def test_scores_agree_with_parasail():
    parasail = pytest.importorskip("parasail")
    matrix = parasail.matrix_create("ACGT", 3, -2)
    rng = random.Random(41020)
    for _ in range(60):
        q = "".join(rng.choice("ACGT") for _ in range(rng.randint(1, 40)))
        t = "".join(rng.choice("ACGT") for _ in range(rng.randint(1, 40)))
        open_, extend = rng.randint(2, 6), rng.randint(1, 2)
        kw = dict(match_score=3, mismatch_score=-2, gap_open_score=-open_, gap_extend_score=-extend)
        if open_ == extend:
            continue
        theirs = parasail.sw_trace_striped_16(q, t, open_, extend, matrix).score
        if theirs >= 0:  # parasail answers its type's minimum where no cell scores
            assert _swar.smith_waterman_path_info(q, t, **kw).score == theirs
        assert _swar.needleman_wunsch_path_info(q, t, **kw).score == parasail.nw_trace_striped_16(
            q, t, open_, extend, matrix).score


# ---- gap roads -------------------------------------------------------------------


@pytest.mark.parametrize(
    "kw, road",
    [
        (dict(gap_score=-7, gap_open_score=-3), ("linear", -3)),  # gap_score ignored
        (dict(gap_open_score=-2, gap_extend_score=-2), ("linear", -2)),
        (dict(gap_score=-2, gap_extend_score=-1), ("affine", -2, -1)),
        (dict(gap_score=-1, gap_open_score=-4, gap_extend_score=-1), ("affine", -4, -1)),
        (dict(gap_score=2), ("linear", 2)),  # a positive gap enters the recurrences unchanged
    ],
)
@pytest.mark.parametrize("local", [True, False])
def test_gap_resolution_roads(local, kw, road):
    q, t = b"GATTACAGATTTACA", b"GATACAGCATTACA"
    if road[0] == "linear":
        want = ref.linear_path(local, q, t, 2, -1, road[1])
    else:
        want = ref.affine_path(local, q, t, 2, -1, road[1], road[2])
    assert fields(PATH_INFO[local](q, t, **kw)) == want
    assert fields(PATH[local](q, t, **kw)) == want


def test_equal_open_and_extend_take_the_linear_kernels():
    # With open == extend the affine walk would stay in the gap on a tie
    # ('=DDDDD'); the linear kernels read the source bits ('DDDD=D').
    assert ref.affine_path(False, "BAAABA", "B", 1, -1, -1, -1)["operations"] == "=DDDDD"
    for kw in (dict(gap_score=-1), dict(gap_open_score=-1, gap_extend_score=-1), dict(gap_extend_score=-1)):
        info = _swar.needleman_wunsch_path_info("BAAABA", "B", match_score=1, **kw)
        assert info.operations == "DDDD=D"


# ---- argument conversion -------------------------------------------------------------


@pytest.mark.parametrize("fn", list(PATH_INFO.values()) + list(PATH.values()))
def test_argument_conversion(fn):
    q, t = b"ACGT", b"AGT"
    assert fields(fn(q, t, width=0)) == fields(fn(q, t, width=None)) == fields(fn(q, t, width=64))
    for w in (8, 16, 32):
        assert fields(fn(q, t, width=w)) == fields(fn(q, t))
    with pytest.raises(ValueError, match=NARROWER):
        fn(b"A" * 64, b"A" * 64, width=8)
    with pytest.raises(ValueError, match=BAD_WIDTH):
        fn(q, t, width=7)
    # the optional objects convert inside the call, with messages naming the
    # function and the argument
    name = fn.__name__
    for bad, error, message in (
        (dict(width=-8), OverflowError, f"{name}: width must be between 0 and 4294967295"),
        (dict(width=8.0), TypeError, f"{name}: width must be an int or None, not float"),
        (dict(gap_open_score=1.5), TypeError, f"{name}: gap_open_score must be an int or None, not float"),
        (dict(gap_extend_score="x"), TypeError, f"{name}: gap_extend_score must be an int or None, not str"),
    ):
        with pytest.raises(error) as info:
            fn(q, t, **bad)
        assert str(info.value) == message
    # the typed scores convert in nanobind: TypeError for incompatible arguments
    with pytest.raises(TypeError):
        fn(q, t, match_score=2.0)
    with pytest.raises(TypeError):
        fn(q, t, 2)  # keyword-only from match_score on
    assert fields(fn(query=q, target=t)) == fields(fn(q, t))


class Logged:
    """An integer-like value that records when it is converted."""

    def __init__(self, log, name, value):
        self.log, self.name, self.value = log, name, value

    def __index__(self):
        self.log.append(self.name)
        return self.value


ALL_ALIGNMENT_FUNCTIONS = list(PATH_INFO.values()) + list(PATH.values()) + [
    _swar.smith_waterman_cigar, _swar.smith_waterman_trace_cigar, _swar._smith_waterman_cigar_digest]


@pytest.mark.parametrize("fn", ALL_ALIGNMENT_FUNCTIONS, ids=lambda f: f.__name__)
def test_optional_keywords_convert_width_then_open_then_extend(fn):
    log = []
    kw = dict(gap_extend_score=Logged(log, "extend", -1), gap_open_score=Logged(log, "open", -3),
              width=Logged(log, "width", 16))
    fn(b"ACGT", b"AGT", **kw)
    assert log == ["width", "open", "extend"]
    # a failed width conversion stops the call before either gap value is read
    log.clear()
    with pytest.raises(OverflowError, match="width"):
        fn(b"ACGT", b"AGT", width=-1, gap_open_score=Logged(log, "open", -3))
    assert log == []


def test_keywords_convert_before_the_inputs_are_prepared():
    # width 7 converts (and is refused later, by input preparation); the bad
    # gap value fails its conversion first
    with pytest.raises(TypeError, match="gap_open_score must be an int or None, not float"):
        _swar.smith_waterman_path_info(b"A", b"A", width=7, gap_open_score=1.5)
    with pytest.raises(OverflowError, match="width must be between"):
        _swar.needleman_wunsch_path(b"A", "A", width=-1)


def test_the_row_preparation_counts_the_largest_token():
    # The codes of the path need 8-bit cells, but the str tokens that render
    # the rows need 32 bits: only the _path functions refuse width 8.
    q, t = "\U0001f600ab", "ab"
    for local in (True, False):
        assert PATH_INFO[local](q, t, width=8).operations == reference_for(
            local, q, t, dict(match_score=2, mismatch_score=-1, gap_score=-1))["operations"]
        with pytest.raises(ValueError, match=NARROWER):
            PATH[local](q, t, width=8)
        assert PATH[local](q, t, width=32).operations == PATH_INFO[local](q, t).operations


def test_input_errors():
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly against each other"):
        _swar.smith_waterman_path(b"A", "A")
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly against each other"):
        _swar.needleman_wunsch_path_info(b"A", "A")
    with pytest.raises(TypeError, match="query must be bytes, str, or a sequence of immutable hashable objects"):
        _swar.smith_waterman_path_info(5, b"A")
    with pytest.raises(TypeError, match="target must be bytes, str, or a sequence of immutable hashable objects"):
        _swar.needleman_wunsch_path(b"A", None)
    with pytest.raises(ValueError, match="Farrar token channel supports at most 256 distinct symbols"):
        _swar.smith_waterman_path("".join(map(chr, range(0x100, 0x100 + 300))), "a")
    with pytest.raises(OverflowError, match="alignment score bound exceeds the 64-bit kernel capacity"):
        _swar.needleman_wunsch_path_info(b"AC", b"A", match_score=2**62)


# ---- empty inputs, aligned rows, buffers ----------------------------------------------------


def test_empty_inputs():
    info = _swar.smith_waterman_path_info(b"", b"")
    assert fields(info) == dict(score=0, query_start=0, query_end=0, target_start=0, target_end=0, operations="")
    assert info.cigar == "" and info.aligned_length == 0
    for q, t, row in [(b"", b"", b""), ("", "", ""), ([], [], ())]:
        result = _swar.needleman_wunsch_path(q, t)
        assert result.score == 0 and result.operations == ""
        assert result.aligned_query == row and result.aligned_target == row
    info = _swar.needleman_wunsch_path_info(b"", b"ACGTA")
    assert (info.score, info.operations, info.query_start, info.query_end, info.target_start, info.target_end) == (
        -5, "IIIII", 0, 0, 0, 5)


def test_rows_keep_the_inputs_form():
    result = _swar.needleman_wunsch_path("h\u00e9llo\U0001f600", "h\u00e9lo\U0001f600!")
    assert result.aligned_query.replace("-", "") == "h\u00e9llo\U0001f600"
    assert result.aligned_target.replace("-", "") == "h\u00e9lo\U0001f600!"
    assert len(result.aligned_query) == len(result.aligned_target) == len(result.operations)

    items_q = [("a",), ("b",), ("c",), ("d",)]
    items_t = [("a",), ("c",), ("d",)]
    result = _swar.needleman_wunsch_path(items_q, items_t)
    assert result.operations == "=D=="
    assert result.aligned_query == tuple(items_q)
    assert all(a is b for a, b in zip(result.aligned_query, items_q))
    assert result.aligned_target == (items_t[0], None, items_t[1], items_t[2])
    assert result.aligned_target[0] is items_t[0]

    # a local alignment from query position 2 renders from the third element
    result = _swar.smith_waterman_path(b"XYACGT", b"ACGT")
    assert (result.query_start, result.aligned_query, result.aligned_target) == (2, b"ACGT", b"ACGT")


def test_buffer_inputs():
    np = pytest.importorskip("numpy")
    q = np.array([1, 2, 3, 4, 2], dtype=np.int32)
    t = np.array([1, 3, 4, 2], dtype=np.int32)
    info = _swar.smith_waterman_path_info(q, t)
    assert fields(info) == ref.linear_path(True, q.tolist(), t.tolist(), 2, -1, -1)
    assert fields(_swar.needleman_wunsch_path_info(q, t, gap_extend_score=0)) == ref.affine_path(
        False, q.tolist(), t.tolist(), 2, -1, -1, 0)
    for a, b in [(q, t), (bytearray(b"AC"), bytearray(b"AC")), (memoryview(b"AC"), memoryview(b"AC"))]:
        for fn in PATH.values():
            with pytest.raises(TypeError, match=NDARRAY_PATH.replace("(", r"\(").replace(")", r"\)")):
                fn(a, b)


# ---- the matrix guard ------------------------------------------------------------------


@pytest.mark.parametrize("fn", list(PATH_INFO.values()) + list(PATH.values()))
@pytest.mark.parametrize("gaps", [dict(), dict(gap_score=1), dict(gap_open_score=-3, gap_extend_score=-1)])
def test_a_matrix_beyond_physical_memory_raises_memory_error(fn, gaps):
    hooks = pytest.importorskip("veltrocamber._testhooks")
    side = math.isqrt(hooks.available_memory_bytes()) + 1
    with pytest.raises(MemoryError):
        fn(b"A" * side, b"C" * side, **gaps)
