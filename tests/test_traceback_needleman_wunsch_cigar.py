"""needleman_wunsch_cigar, its twins needleman_wunsch_trace_cigar and
needleman_wunsch_trade_cigar, and _needleman_wunsch_cigar_digest: one front
that chooses the road by the resolved gaps."""

import random

import pytest

from reference import traceback_reference as ref
from veltrocamber import _swar

TEXT_FUNCTIONS = [_swar.needleman_wunsch_cigar, _swar.needleman_wunsch_trace_cigar,
                  _swar.needleman_wunsch_trade_cigar]


def answers(query, target, **kw):
    texts = {fn(query, target, **kw) for fn in TEXT_FUNCTIONS}
    assert len(texts) == 1
    text = texts.pop()
    assert _swar._needleman_wunsch_cigar_digest(query, target, **kw) == ref.cigar_digest(text.encode())
    return text


# (keywords, road): the linear ones are compared with the full-matrix linear
# path, which the trade driver's full road reproduces below 2^24 cells.
ROADS = [
    (dict(gap_score=2), "linear"),
    (dict(gap_score=0), "linear"),
    (dict(gap_score=-1), "linear"),
    (dict(gap_score=-1, gap_open_score=-2), "linear"),  # open = extend = -2
    (dict(gap_open_score=-3, gap_extend_score=-1), "affine"),
    (dict(gap_score=-2, gap_extend_score=-1), "affine"),  # open -2 from gap_score
]


@pytest.mark.parametrize("kw, road", ROADS)
def test_roads(kw, road):
    rng = random.Random(len(str(kw)))
    for _ in range(40):
        q = "".join(rng.choice("ACG") for _ in range(rng.randrange(0, 20)))
        t = "".join(rng.choice("ACG") for _ in range(rng.randrange(0, 20)))
        text = answers(q, t, **kw)
        open_ = kw.get("gap_open_score", kw.get("gap_score", -1))
        extend = kw.get("gap_extend_score", open_)
        if road == "linear":
            model = ref.linear_path(False, q, t, 2, -1, open_)
        else:
            model = ref.affine_path(False, q, t, 2, -1, open_, extend)
        assert text == ref.cigar(model["operations"])


def test_digest_of_the_empty_text():
    assert answers(b"", b"") == ""
    assert _swar._needleman_wunsch_cigar_digest(b"", b"") == 4953163356653287321


def test_linear_and_affine_ties_differ():
    assert answers("BBA", "B") == "1D1=1D"
    assert answers("BBA", "B", gap_open_score=-2, gap_extend_score=-1) == "1=2D"


def test_errors_on_every_road():
    for kw in (dict(gap_score=2), dict(gap_score=-1), dict(gap_open_score=-3, gap_extend_score=-1)):
        for fn in TEXT_FUNCTIONS + [_swar._needleman_wunsch_cigar_digest]:
            with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly"):
                fn(b"A", "A", **kw)
            with pytest.raises(ValueError, match="width must be None, 0, 8, 16, 32, or 64"):
                fn("A", "A", width=12, **kw)
    assert answers("ACGT", "AGT", width=None) == answers("ACGT", "AGT", width=0) == "1=1D2="


def test_long_insertion_on_one_token_past_two_to_the_24_cells():
    # the split road: the one-token query spans must end
    assert _swar.needleman_wunsch_cigar(b"A" * 8, b"A" * 8 + b"B" * 2097152) == "8=2097152I"


def test_from_two_to_the_24_cells_a_linear_gap_takes_the_split():
    # 4096 x 4096 with many optimal alignments: the split's tie-breaks show
    q, t = b"AB" * 2048, b"BA" * 2048
    kw = dict(match_score=0, mismatch_score=-1, gap_score=-1)
    assert _swar.needleman_wunsch_cigar(q, t, **kw) == "1D4095=1I"
    assert _swar.needleman_wunsch_path_info(q, t, **kw).cigar == "1I4095=1D"
