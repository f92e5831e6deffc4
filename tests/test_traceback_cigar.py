"""smith_waterman_cigar, smith_waterman_trace_cigar and
_smith_waterman_cigar_digest: the three gap roads, the banded-then-full
affine CIGAR, and the digest, against the plain-Python models."""

import math
import random

import pytest

from reference import traceback_reference as ref
from veltrocamber import _swar

AFFINE = dict(gap_open_score=-3, gap_extend_score=-1)


def cigar_functions():
    return [_swar.smith_waterman_cigar, _swar.smith_waterman_trace_cigar]


def check(query, target, expected, **kw):
    for fn in cigar_functions():
        assert fn(query, target, **kw) == expected
    assert _swar._smith_waterman_cigar_digest(query, target, **kw) == ref.cigar_digest(expected.encode())


@pytest.mark.parametrize(
    "query, target, kw, expected",
    [
        (b"", b"ACGT", {}, ""),
        (b"ACGT", b"", AFFINE, ""),
        ("A", "G", {}, ""),
        ("ACGT", "ACGT", {}, "4="),
        ("AB", "BA", {}, "1="),  # the first of two equal cells in row-major order
        ("ABBA", "ABA", {}, "1=1D2="),  # diagonal before up on a tie
        ("ABAB", "AAAB", {}, "1=1X2="),
        ("ABAB", "BAAB", {}, "1=1D2="),  # up before left on a tie
        ("ABCD", "ABXCD", {}, "2=1I2="),
        ("ABXCD", "ABCD", {}, "2=1D2="),
        ("AAA", "CCC", AFFINE, ""),
        ("ACGTTTTACGT", "ACGTACGT", AFFINE, "3=3D5="),
        ("ACGTACGTACGT", "ACGTTACGTACGT", AFFINE, "3=1I9="),
    ],
)
def test_cigar_cases(query, target, kw, expected):
    check(query, target, expected, **kw)


def test_digest_values():
    assert _swar._smith_waterman_cigar_digest(b"", b"") == 4953163356653287321
    assert _swar._smith_waterman_cigar_digest("ACGT", "ACGT") == 7717011764544545390
    # a digest with the top bit set comes back as a non-negative int
    assert _swar.smith_waterman_cigar("ACGT", "AGT") == "1=1D2="
    assert _swar._smith_waterman_cigar_digest("ACGT", "AGT") == ref.cigar_digest(b"1=1D2=") >= 2**63


def test_the_band_decides_when_it_reproduces_the_score():
    q = "GGAGAGA" + "N" * 28 + "GAGAA"
    t = "T" * 34 + "GAAGGG"
    check(q, t, "3=", **AFFINE)
    # the same pair on the full matrix (a path function) ties differently
    assert _swar.smith_waterman_path_info(q, t, **AFFINE).cigar == "1=1X2=1X1="


@pytest.mark.parametrize(
    "kw, road",
    [
        (dict(gap_open_score=-3), ("linear", -3)),
        (dict(gap_score=-2, gap_open_score=-2, gap_extend_score=-2), ("linear", -2)),
        (dict(gap_extend_score=-2), ("affine", -1, -2)),
        (dict(gap_score=0), ("linear", 0)),
        (dict(gap_score=1), ("linear", 1)),
        (dict(gap_open_score=2, gap_extend_score=1), ("affine", 2, 1)),
    ],
)
def test_roads(kw, road):
    q, t = b"GATTACAGATTTACAGG", b"GATACAGCATTACAG"
    if road[0] == "linear":
        want = ref.linear_path(True, q, t, 2, -1, road[1])
    else:
        want = ref.affine_path(True, q, t, 2, -1, road[1], road[2])
    check(q, t, ref.cigar(want["operations"]), **kw)
    assert _swar.smith_waterman_cigar(q, t, **kw) == _swar.smith_waterman_path_info(q, t, **kw).cigar


def test_short_pairs_against_the_full_matrix_model():
    rng = random.Random(4104)
    for _ in range(300):
        alphabet = "ACGT"[: rng.randint(1, 4)]
        q = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 20)))
        t = "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 20)))
        kw = dict(match_score=rng.randint(-1, 4), mismatch_score=rng.randint(-3, 1), gap_score=rng.randint(-3, 1))
        if rng.random() < 0.6:
            kw.update(gap_open_score=rng.randint(-5, 1), gap_extend_score=rng.randint(-3, 1))
        open_ = kw.get("gap_open_score", kw["gap_score"])
        extend = kw.get("gap_extend_score", open_)
        if open_ == extend:
            want = ref.linear_path(True, q, t, kw["match_score"], kw["mismatch_score"], open_)
        else:
            want = ref.affine_path(True, q, t, kw["match_score"], kw["mismatch_score"], open_, extend)
        check(q, t, ref.cigar(want["operations"]), **kw)


def test_long_affine_pairs_banded_or_full():
    # Lengths beyond 32 try the band. Where the band reproduces the best
    # score its own (possibly different) tie choices stand; otherwise the
    # answer is the full matrix's. Either way the text rescores to the best.
    rng = random.Random(41050)
    seen = {"band": 0, "full": 0}
    for _ in range(24):
        n = rng.randint(33, 90)
        core = "".join(rng.choice("ACG") for _ in range(n))
        if rng.random() < 0.5:  # a small shift: the optimum lies in the band
            q = core
            t = core[rng.randint(0, 8):] + "".join(rng.choice("ACG") for _ in range(rng.randint(0, 8)))
        else:  # equal lengths, the shared part 40 diagonals off: beyond the band of 32
            q = "T" * 40 + core
            t = core + "T" * 40
        scores = (2, -1, rng.randint(-5, -2), -1)
        kw = dict(match_score=2, mismatch_score=-1, gap_open_score=scores[2], gap_extend_score=-1)
        best = ref.smith_waterman_affine_score(q, t, *scores)
        band = ref.smith_waterman_banded_cigar(q, t, *scores, best)
        want = band if band is not None else ref.affine_path(True, q, t, *scores)
        seen["band" if band is not None else "full"] += 1
        text = _swar.smith_waterman_cigar(q, t, **kw)
        assert text == ref.cigar(want["operations"])
        rescored, _, _ = ref.rescore(want["operations"], q, t, want["query_start"], want["target_start"], *scores)
        assert rescored == best
    assert seen["band"] > 3 and seen["full"] > 3


def test_buffer_inputs_on_every_road():
    np = pytest.importorskip("numpy")
    q = np.array([5, 6, 7, 8, 6], dtype=np.uint16)
    t = np.array([5, 7, 8, 6], dtype=np.uint16)
    for kw in ({}, dict(gap_score=1), AFFINE):
        assert _swar.smith_waterman_cigar(q, t, **kw) == _swar.smith_waterman_cigar(
            q.tolist(), t.tolist(), **kw)
        with pytest.raises(TypeError):
            _swar.smith_waterman_cigar(q, b"AB", **kw)


def test_argument_conversion():
    for fn in cigar_functions() + [_swar._smith_waterman_cigar_digest]:
        with pytest.raises(OverflowError, match=f"^{fn.__name__}: width must be between 0 and 4294967295$"):
            fn(b"A", b"A", width=-1)
        with pytest.raises(TypeError, match=f"^{fn.__name__}: gap_extend_score must be an int or None, not float$"):
            fn(b"A", b"A", gap_extend_score=0.5)
        with pytest.raises(TypeError):
            fn(b"A", b"A", mismatch_score="x")
        with pytest.raises(ValueError, match="width must be None, 0, 8, 16, 32, or 64"):
            fn(b"A", b"A", width=12)
        with pytest.raises(TypeError, match="query must be bytes, str, or a sequence of immutable hashable objects"):
            fn(None, b"A")


@pytest.mark.parametrize("kw", [{}, dict(gap_score=1), AFFINE])
def test_a_matrix_beyond_physical_memory_raises_memory_error(kw):
    # The affine road checks before its score pass, so this is immediate.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    side = math.isqrt(hooks.available_memory_bytes()) + 1
    with pytest.raises(MemoryError):
        _swar.smith_waterman_cigar(b"A" * side, b"A" * side, **kw)


@pytest.mark.parametrize("road", ["linear", "positive linear", "affine"])
def test_cigars_rescore_to_smith_waterman_score(road):
    # Lengths on both sides of the band's threshold. The text alone carries
    # no coordinates: they come from the path (linear roads, same tie-breaks)
    # or from the affine driver's own record, whose text must be the public
    # one; the walk then rescores to the score function's best.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    rng = random.Random(f"rescore {road}")
    for _ in range(40):
        n = rng.randint(0, 90)
        q = bytes(rng.choice(b"ACGT") for _ in range(n))
        t = bytearray(q[rng.randint(0, 6):] + bytes(rng.choice(b"ACGT") for _ in range(rng.randint(0, 12))))
        for k in rng.sample(range(len(t)), len(t) // 5):
            t[k] = rng.choice(b"ACGT")
        t = bytes(t)
        match, mismatch = rng.randint(1, 4), rng.randint(-4, 0)
        if road == "linear":
            open_ = extend = rng.randint(-4, 0)
            kw = dict(gap_score=open_)
        elif road == "positive linear":
            open_ = extend = 1
            kw = dict(gap_open_score=1)
        else:
            open_, extend = rng.randint(-6, -2), rng.randint(-2, 1)
            kw = dict(gap_open_score=open_, gap_extend_score=extend)
        kw.update(match_score=match, mismatch_score=mismatch)
        text = _swar.smith_waterman_cigar(q, t, **kw)
        if road == "affine":
            width = 8 if max(match, -mismatch, -open_, abs(extend)) * (len(q) + len(t)) < 128 else 16
            record = hooks.smith_waterman_affine_cigar(q, t, match, mismatch, open_, extend, 0, False, width)
            assert record[0] == text
            score, query_start, query_end, target_start, target_end = record[1:]
        else:
            info = _swar.smith_waterman_path_info(q, t, **kw)
            assert info.cigar == text
            score, query_start, query_end, target_start, target_end = (
                info.score, info.query_start, info.query_end, info.target_start, info.target_end)
        assert score == _swar.smith_waterman_score(q, t, **kw)
        assert ref.rescore(ref.operations_of(text), q, t, query_start, target_start, match, mismatch, open_,
                           extend) == (score, query_end, target_end)


def _mutated(rng, q, alphabet, edits):
    t = bytearray(q)
    for _ in range(edits):
        r = rng.random()
        if t and r < 0.4:
            t[rng.randrange(len(t))] = rng.choice(alphabet)
        elif t and r < 0.7:
            del t[rng.randrange(len(t))]
        else:
            t.insert(rng.randint(0, len(t)), rng.choice(alphabet))
    return bytes(t)


@pytest.mark.parametrize("gaps", [(0, 0), (0, -1), (-3, -1), (-1, 0), (-2, -2), (-1, -3)])
def test_end_cell_pass_and_box_road_match_the_full_fill(gaps):
    # The striped pass finds the full matrix's end cell, and the box road
    # (no band) and the driver give the full fill's answer to the letter:
    # small alphabets for many ties, related and unrelated pairs, lengths 0
    # and 1, every cell width that holds the pair; short pairs also against
    # the plain model.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    open_, extend = gaps
    rng = random.Random(f"box {gaps}")
    for case in range(150):
        alphabet = b"ACGT"[: rng.randint(2, 4)]
        n = rng.choice([0, 1, rng.randint(0, 14), rng.randint(0, 14), rng.randint(30, 80)])
        q = bytes(rng.choice(alphabet) for _ in range(n))
        if rng.random() < 0.5:
            t = _mutated(rng, q, alphabet, rng.randint(0, 1 + n // 4))
        else:
            t = bytes(rng.choice(alphabet) for _ in range(rng.choice([0, 1, rng.randint(0, 80)])))
        if case % 2:
            q, t = t, q
        match, mismatch = rng.randint(0, 4), rng.randint(-4, 1)
        scores = (match, mismatch, open_, extend)
        want = None
        if len(q) <= 14 and len(t) <= 14:
            model = ref.affine_path(True, q, t, *scores)
            want = (ref.cigar(model["operations"]), model["score"], model["query_start"], model["query_end"],
                    model["target_start"], model["target_end"])
        bound = max(abs(v) for v in scores) * (len(q) + len(t))
        for width in (8, 16, 32, 64):
            if bound >= 2 ** (width - 1):
                continue
            full = hooks.smith_waterman_affine_full_cigar(q, t, *scores, width)
            if want is not None:
                assert full == want
            if full[1] > 0:
                expected = hooks.smith_waterman_affine_banded_cigar(q, t, *scores, full[1], width) or full
            else:
                expected = full
            assert hooks.smith_waterman_affine_cigar(q, t, *scores, 0, False, width) == expected
            # a prepared object's road: the band on its stored score, then the full matrix's answer
            assert hooks.smith_waterman_affine_cigar(q, t, *scores, full[1], True, width) == expected
            if width == 64:
                continue
            assert hooks.smith_waterman_affine_box_cigar(q, t, *scores, width) == full
            end = hooks.striped_local_affine_end(q, t, *scores, width)
            assert end == ((full[1], full[3], full[5]) if full[1] > 0 else (0, 0, 0))


def test_box_road_on_long_pairs_both_sides_of_the_search_budget():
    # A related pair's path spans the matrix (the search gives up and fills
    # the whole rectangle up to the end cell); a pair with harsh mismatches
    # and gaps has a short one (a small box). Both as the full fill answers.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    rng = random.Random(41052)
    for _ in range(6):
        q = bytes(rng.choice(b"ACGT") for _ in range(rng.randint(150, 300)))
        t = _mutated(rng, q, b"ACGT", 30)
        u = bytes(rng.choice(b"ACGT") for _ in range(rng.randint(150, 300)))
        for pair, scores in (((q, t), (2, -1, -3, -1)), ((q, u), (1, -3, -5, -2)), ((u, t), (2, -1, 0, -1))):
            full = hooks.smith_waterman_affine_full_cigar(*pair, *scores, 16)
            assert hooks.smith_waterman_affine_box_cigar(*pair, *scores, 16) == full
            assert hooks.smith_waterman_affine_box_cigar(*pair, *scores, 32) == full


def test_box_road_beyond_the_stored_rows_limit_fills_the_whole_rectangle():
    # More than 2^24 cells up to the end cell and a long alignment: neither
    # search narrows the fill, which covers the rectangle up to the end cell.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    rng = random.Random(41053)
    q = bytes(rng.choice(b"ACGT") for _ in range(4200))
    t = _mutated(rng, q, b"ACGT", 400)
    full = hooks.smith_waterman_affine_full_cigar(q, t, 2, -1, -3, -1, 16)
    assert full[3] * full[5] > 2**24
    assert hooks.smith_waterman_affine_box_cigar(q, t, 2, -1, -3, -1, 16) == full


def test_driver_keeps_the_band_answer_where_the_band_may_tie():
    # Lengths beyond the band's threshold, tiny alphabets and shifted copies,
    # so that the best score is often reached both inside and outside the
    # band: the driver skips the band only when no band cell can reach the
    # best, and answers as the band-then-full road does.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    rng = random.Random(41054)
    seen = {"band differs": 0, "band declines": 0}

    def noise(n):
        return bytes(rng.choice(b"ACGT") for _ in range(n))

    for _ in range(250):
        alphabet = b"ACGT"[: rng.randint(2, 3)]
        core = bytes(rng.choice(alphabet) for _ in range(rng.randint(6, 40)))
        shift = rng.randint(0, 90)
        if rng.random() < 0.5:  # the core twice in the query: first off the band, then on it
            core = noise(len(core))
            q = core + b"N" * (shift + 40) + core + b"N" * 10
            t = b"M" * (shift + 40 + len(core)) + core + b"M" * 10
        else:
            q = noise(shift) + core + noise(20)
            t = _mutated(rng, core, alphabet, rng.randint(0, 3)) + noise(shift // 2)
        if rng.random() < 0.5:
            q, t = t, q
        scores = (rng.randint(1, 3), rng.randint(-3, 0), rng.choice([0, -1, -3]), rng.choice([0, -1]))
        full = hooks.smith_waterman_affine_full_cigar(q, t, *scores, 16)
        band = hooks.smith_waterman_affine_banded_cigar(q, t, *scores, full[1], 16)
        seen["band declines"] += band is None
        seen["band differs"] += band is not None and band != full
        assert hooks.smith_waterman_affine_cigar(q, t, *scores, 0, False, 16) == (band or full)
        assert hooks.smith_waterman_affine_cigar(q, t, *scores, full[1], True, 16) == (band or full)
    assert min(seen.values()) > 10, seen


def test_end_cell_pass_on_lanes_that_hold_the_pair_only_checked():
    # 8-bit lanes hold every value of these pairs (best at most 124), but
    # not provably with the offset of the gaps: the pass runs the offset
    # columns checked for overflow. An unrelated pair stays low and finishes
    # there; a related one passes the ceiling (best above 116) and the
    # columns run again floored from the first, with another lane of the
    # value 0. Either way the end cell and the stored rows the planned fill
    # reads are those of the final run.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    rng = random.Random(41055)
    scores = (2, -3, -6, -2)
    seen = {"checked run finished": 0, "floored run again": 0}
    for _ in range(40):
        q = bytes(rng.choice(b"ACGT") for _ in range(rng.randint(58, 62)))
        t = _mutated(rng, q, b"ACGT", rng.randint(0, 2)) if rng.random() < 0.6 else bytes(
            rng.choice(b"ACGT") for _ in range(rng.randint(40, 62)))
        if rng.random() < 0.5:
            q, t = t, q
        full = hooks.smith_waterman_affine_full_cigar(q, t, *scores, 16)
        assert full[1] < 125
        seen["floored run again" if full[1] > 116 else "checked run finished"] += 1
        end = hooks.striped_local_affine_end(q, t, *scores, 8)
        assert end == ((full[1], full[3], full[5]) if full[1] > 0 else (0, 0, 0))
        assert hooks.smith_waterman_affine_box_cigar(q, t, *scores, 8) == full
        band = hooks.smith_waterman_affine_banded_cigar(q, t, *scores, full[1], 16) if full[1] > 0 else None
        assert hooks.smith_waterman_affine_cigar(q, t, *scores, 0, False, 8) == (band or full)
    assert min(seen.values()) > 5, seen


@pytest.mark.parametrize("scores, length, edits, shift, copied", [
    ((100, -100, -100, -20), 327, 0, 0, None),
    ((100, -100, -100, -20), 327, 2, 0, None),
    ((10, -1, -1, -1), 3300, 300, 500, None),
    ((10, -1, -1, -1), 3300, 0, 500, 3276),
])
def test_end_cell_pass_when_the_lanes_run_again_from_the_first_column(scores, length, edits, shift, copied):
    # On 16-bit lanes that hold these pairs only checked (the best possible
    # score plus the offset of the gaps passes 2^15): scores of 100 give up
    # on 8-bit lanes at once and run the 16-bit lanes checked, then again
    # floored from the first column when the identical pair's best (32700)
    # passes their ceiling; scores of 10 begin on 8-bit lanes for a few
    # columns and go on in checked 16-bit ones from there, so that the
    # stored rows hold both lane widths, and the cheap gaps make the planned
    # fill read them (the path shifted right, where an 8-bit reading of
    # 16-bit rows goes wrong). A copy of 3,276 symbols (best 32760) passes
    # the 16-bit ceiling at its last column: the floored run replaces every
    # stored row. The end cell and the stored rows are those of the last run.
    hooks = pytest.importorskip("veltrocamber._testhooks")
    rng = random.Random(f"again {length} {edits}")
    q = bytes(rng.choice(b"ACGT") for _ in range(length))
    t = bytes(rng.choice(b"ACGT") for _ in range(shift)) + _mutated(rng, q[:copied], b"ACGT", edits)
    full = hooks.smith_waterman_affine_full_cigar(q, t, *scores, 32)
    assert full[1] < 2**15
    assert hooks.striped_local_affine_end(q, t, *scores, 16) == (full[1], full[3], full[5])
    assert hooks.smith_waterman_affine_box_cigar(q, t, *scores, 16) == full
