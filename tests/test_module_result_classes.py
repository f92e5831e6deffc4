"""AlignmentResult and AlignmentPath: construction, properties, reprs, garbage collection."""

import gc
import weakref

import pytest

import veltrocamber as vc
from veltrocamber import AlignmentPath, AlignmentResult


def test_default_alignment_result():
    r = AlignmentResult()
    assert (r.score, r.query_start, r.query_end, r.target_start, r.target_end) == (0, 0, 0, 0, 0)
    assert r.aligned_query is None and r.aligned_target is None and r.operations == ""
    assert repr(r) == "AlignmentResult(score=0, query=[0, 0), target=[0, 0), operations='')"


def test_positional_alignment_result_keeps_row_objects():
    q, t = b"AC-G", b"A-TG"
    r = AlignmentResult(-3, 1, 4, 2, 5, q, t, "=DI=")
    assert r.aligned_query is q and r.aligned_target is t
    assert repr(r) == "AlignmentResult(score=-3, query=[1, 4), target=[2, 5), operations='=DI=')"


def test_keywords_and_unchecked_fields():
    rows = (object(), None)
    r = AlignmentResult(score=2**63 - 1, query_start=9, query_end=1, target_start=2**64 - 1,
                        aligned_query=rows, operations="anything: ü")
    assert r.aligned_query is rows
    assert repr(r) == (
        f"AlignmentResult(score={2**63 - 1}, query=[9, 1), target=[{2**64 - 1}, 0), operations='anything: ü')"
    )


@pytest.mark.parametrize(
    "kwargs",
    [
        {"query_start": -1},
        {"target_end": 2**64},
        {"score": 2**63},
        {"score": 1.0},
        {"operations": b"=="},
        {"operations": "\ud800"},
    ],
)
def test_bad_alignment_result_arguments(kwargs):
    with pytest.raises(TypeError):
        AlignmentResult(**kwargs)


def test_properties_are_read_only():
    r = AlignmentResult()
    for name in ("score", "query_start", "aligned_query", "operations"):
        with pytest.raises(AttributeError):
            setattr(r, name, 1)


def test_alignment_path_cannot_be_constructed():
    with pytest.raises(TypeError):
        AlignmentPath()


def test_alignment_path_repr_and_fields(hooks):
    p = hooks.make_alignment_path(7, 0, 3, 1, 4, "==X")
    assert repr(p) == "AlignmentPath(score=7, query=[0, 3), target=[1, 4), cigar='2=1X')"
    assert (p.operations, p.cigar, p.matches, p.mismatches, p.aligned_length) == ("==X", "2=1X", 2, 1, 3)
    with pytest.raises(AttributeError):
        p.cigar = ""


class Token:
    """A caller's object that can refer back to the result holding it."""


@pytest.mark.parametrize(
    "align",
    [
        lambda a: vc.smith_waterman_path(a, a),
        lambda a: vc.needleman_wunsch_path(a, a[:1], gap_open_score=-3, gap_extend_score=-1),
        lambda a: AlignmentResult(aligned_query=tuple(a)),
        lambda a: AlignmentResult(aligned_target=a),  # the row object itself holds the tokens
    ],
    ids=["smith_waterman_path", "needleman_wunsch_path_affine", "constructed_query_row", "constructed_target_list"],
)
def test_a_cycle_through_the_aligned_rows_is_freed(align):
    a = [Token(), Token()]
    r = align(a)
    a[0].r = r
    w = weakref.ref(a[0])
    del a, r
    gc.collect()
    assert w() is None


def test_cleared_result_reads_none_rows_and_keeps_the_rest(tp_clear):
    a = [Token(), Token()]
    r = vc.smith_waterman_path(a, a)
    before = repr(r)
    w = weakref.ref(a[0])
    del a
    tp_clear(r)
    assert w() is None  # the rows were the last holders of the tokens
    assert r.aligned_query is None and r.aligned_target is None
    assert repr(r) == before and r.operations == "=="
    tp_clear(r)  # clearing again is harmless
    assert r.aligned_query is None


def test_alignment_path_holds_no_python_objects(hooks):
    assert not gc.is_tracked(hooks.make_alignment_path(7, 0, 3, 1, 4, "==X"))
    assert gc.is_tracked(AlignmentResult())
