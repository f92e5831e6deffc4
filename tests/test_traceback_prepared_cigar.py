"""_prepare_smith_waterman_affine_cigar, _prepare_needleman_wunsch_affine_cigar
and their prepared calls: the stored score skips the score pass, the text
agrees with the one-shot functions, an object of either mode serves both
calls, and every input is read once."""

import random
import re

import pytest

from reference import traceback_reference as ref
from veltrocamber import _swar

AFFINE = dict(gap_open_score=-3, gap_extend_score=-1)
PREPARE = {True: _swar._prepare_smith_waterman_affine_cigar, False: _swar._prepare_needleman_wunsch_affine_cigar}
PREPARED = {True: _swar._smith_waterman_affine_cigar_prepared, False: _swar._needleman_wunsch_affine_cigar_prepared}


def cigar_operations(text):
    return "".join(letter * int(count) for count, letter in re.findall(r"(\d+)([=XID])", text))


def global_answer(q, t, kw):
    """What the global prepared call must give: the full matrix's text (the
    path function's) where the band is skipped or declines; where the band
    answers, a text that rescores to the optimum over both whole sides."""
    scores = (kw.get("match_score", 2), kw.get("mismatch_score", -1), kw["gap_open_score"], kw["gap_extend_score"])
    score = _swar.needleman_wunsch_score(q, t, **kw)
    band = ref.needleman_wunsch_banded_cigar(q, t, *scores, score)
    return score, scores, band


@pytest.mark.parametrize(
    "local, query, target, kw, expected",
    [
        (True, "ACGTTTTACGT", "ACGTACGT", AFFINE, "3=3D5="),
        (True, "ACGTACGTACGT", "ACGTTACGTACGT", AFFINE, "3=1I9="),
        (True, "AAA", "CCC", AFFINE, ""),  # a stored score of 0 answers at once
        (True, "", "ACGT", AFFINE, ""),
        (False, "CDEFG", "ABCDEFG", AFFINE, "2I5="),
        (False, "", "ABC", AFFINE, "3I"),
        (False, "ABC", "", AFFINE, "3D"),
        (False, "", "", AFFINE, ""),
        (False, "B" * 5 + "A" * 35, "A" * 35 + "T" * 5,
         dict(match_score=2, mismatch_score=-10, gap_open_score=-1, gap_extend_score=0), "5D35=5I"),
        (False, "B" * 33 + "A" * 7, "A" * 7 + "T" * 33,
         dict(match_score=2, mismatch_score=-10, gap_open_score=-1, gap_extend_score=0), "33D7=33I"),
    ],
)
def test_prepared_cases(local, query, target, kw, expected):
    prepared = PREPARE[local](query, target, **kw)
    assert type(prepared).__name__ == "_PreparedAffineCigar"
    assert PREPARED[local](prepared) == expected
    assert PREPARED[local](prepared) == expected  # the object is unchanged by a call


def random_pair(rng):
    alphabet = "ACGT"[: rng.randint(2, 4)]
    n = rng.choice([rng.randint(0, 32), rng.randint(33, 160)])
    q = "".join(rng.choice(alphabet) for _ in range(n))
    if rng.random() < 0.3:  # far apart: the band declines
        return "T" * 40 + q, q + "G" * 40
    t = list(q[rng.randint(0, 5):])
    for _ in range(len(t) // 7):
        k = rng.randrange(len(t))
        t[k] = rng.choice(alphabet)
    return q, "".join(t) + "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 6)))


def test_prepared_against_the_one_shot_functions():
    rng = random.Random(4107)
    for _ in range(40):
        q, t = random_pair(rng)
        open_ = rng.randint(-6, -2)
        kw = dict(match_score=rng.randint(1, 4), mismatch_score=rng.randint(-4, 0), gap_open_score=open_,
                  gap_extend_score=rng.randint(open_ + 1, 0))  # open != extend: the one-shot affine road
        local_text = _swar._smith_waterman_affine_cigar_prepared(_swar._prepare_smith_waterman_affine_cigar(q, t, **kw))
        assert local_text == _swar.smith_waterman_cigar(q, t, **kw)
        text = _swar._needleman_wunsch_affine_cigar_prepared(_swar._prepare_needleman_wunsch_affine_cigar(q, t, **kw))
        score, scores, band = global_answer(q, t, kw)
        if band is None:
            assert text == _swar.needleman_wunsch_path_info(q, t, **kw).cigar
        else:
            assert text == ref.cigar(band["operations"])
            assert ref.rescore(cigar_operations(text), q, t, 0, 0, *scores, global_alignment=True) == (
                score, len(q), len(t))


@pytest.mark.parametrize("local", [True, False])
def test_width_64_is_stored_and_used(local):
    q, t = "ACGTACGTTTACGT" * 4, "ACGTACGTACGT" * 4
    wide = PREPARE[local](q, t, width=64, **AFFINE)
    assert PREPARED[local](wide) == PREPARED[local](PREPARE[local](q, t, **AFFINE))
    one_shot = _swar.smith_waterman_cigar if local else (lambda *a, **k: _swar.needleman_wunsch_path_info(*a, **k).cigar)
    assert PREPARED[local](wide) == one_shot(q, t, width=64, **AFFINE)


@pytest.mark.parametrize("local", [True, False])
def test_equal_open_and_extend_still_take_the_affine_drivers(local):
    # No linear shortcut: the text is the affine driver's, which may tie
    # differently from the linear road's (compare only for open != extend).
    q, t = "GATTACAGATTTACAGG", "GATACAGCATTACAG"
    text = PREPARED[local](PREPARE[local](q, t, gap_score=-2))
    want = ref.affine_path(local, q.encode(), t.encode(), 2, -1, -2, -2)
    assert text == ref.cigar(want["operations"])


# ---- the two mends ---------------------------------------------------------------


def test_an_object_of_the_other_mode_gets_that_modes_own_score_pass():
    q, t = "A" + "C" * 10, "A" + "G" * 10
    global_object = _swar._prepare_needleman_wunsch_affine_cigar(q, t, **AFFINE)
    local_object = _swar._prepare_smith_waterman_affine_cigar(q, t, **AFFINE)
    # the global score (-8) is no expectation for the local driver
    assert _swar._smith_waterman_affine_cigar_prepared(global_object) == "1=" == _swar.smith_waterman_cigar(q, t, **AFFINE)
    assert _swar._needleman_wunsch_affine_cigar_prepared(local_object) == "1=10X"
    assert _swar._needleman_wunsch_affine_cigar_prepared(local_object) == (
        _swar._needleman_wunsch_affine_cigar_prepared(global_object))
    # the other way round, where the band is tried and a local best score
    # could pass for a banded global end cell
    rng = random.Random(41071)
    for _ in range(10):
        q, t = random_pair(rng)
        for local, other in ((True, False), (False, True)):
            mixed = PREPARED[local](PREPARE[other](q, t, **AFFINE))
            assert mixed == PREPARED[local](PREPARE[local](q, t, **AFFINE))


@pytest.mark.parametrize("local, expected", [(True, "4="), (False, "4=")])
def test_a_one_shot_input_is_read_once(local, expected):
    assert PREPARED[local](PREPARE[local](iter("ACGT"), "ACGT", **AFFINE)) == expected
    assert PREPARED[local](PREPARE[local]("ACGT", (c for c in "ACGT"), **AFFINE)) == expected


# ---- argument handling -------------------------------------------------------------


@pytest.mark.parametrize("local", [True, False])
def test_prepared_takes_only_its_class(local):
    for wrong in (None, "ACGT", object(), _swar.needleman_wunsch_path_info("A", "A")):
        with pytest.raises(TypeError, match="incompatible function arguments"):
            PREPARED[local](wrong)
    with pytest.raises(TypeError):
        _swar._PreparedAffineCigar()
    with pytest.raises(TypeError):
        PREPARED[local]()


@pytest.mark.parametrize("local", [True, False])
def test_prepare_arguments(local):
    fn = PREPARE[local]
    name = fn.__name__
    with pytest.raises(ValueError, match="width must be None, 0, 8, 16, 32, or 64"):
        fn("A", "A", width=12)
    with pytest.raises(TypeError, match=f"^{name}: gap_extend_score must be an int or None, not float$"):
        fn("A", "A", gap_extend_score=0.5)
    with pytest.raises(TypeError, match="incompatible function arguments"):
        fn("A", "A", match_score="x")
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly against each other"):
        fn(b"A", "A")
