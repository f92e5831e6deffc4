"""Substitution-matrix paths: the four *_path_info_matrix functions against
the plain traceback model with a matrix lookup, their tie-breaks, and their
agreement with the score functions."""

import random

import pytest

import veltrocamber as vc
from reference import traceback_reference as ref
from test_align_matrix_scores import BLOSUM62, lookup, random_case

PATHS = {  # name: (local, affine, score twin)
    "smith_waterman_path_info_matrix": (True, False, "smith_waterman_score_matrix"),
    "needleman_wunsch_path_info_matrix": (False, False, "needleman_wunsch_score_matrix"),
    "smith_waterman_affine_path_info_matrix": (True, True, "smith_waterman_affine_score_matrix"),
    "needleman_wunsch_affine_path_info_matrix": (False, True, "needleman_wunsch_affine_score_matrix"),
}
FIELDS = ("score", "query_start", "query_end", "target_start", "target_end", "operations")


def expected_path(name, q, t, buffer, stride, gaps):
    local, affine, _ = PATHS[name]
    sub = lookup(buffer, stride)
    if affine:
        return ref.affine_path(local, q, t, sub, None, *gaps)
    return ref.linear_path(local, q, t, sub, None, gaps[0])


def check_record(path, expected):
    assert {f: getattr(path, f) for f in FIELDS} == expected
    ops = expected["operations"]
    assert path.cigar == ref.cigar(ops)
    assert (path.matches, path.mismatches, path.insertions, path.deletions, path.aligned_length) == (
        ops.count("="), ops.count("X"), ops.count("I"), ops.count("D"), len(ops))


@pytest.mark.parametrize("name", sorted(PATHS))
def test_paths_match_the_plain_model(name):
    local, affine, twin = PATHS[name]
    rng = random.Random(name)
    for _ in range(40):
        q, t, buffer, stride = random_case(rng)
        if affine:
            gaps = rng.choice([(-11, -1), (-5, -2), (-1, -3), (-2, -2), (3, -1), (-3, 2)])
        else:
            gaps = (rng.choice([-1, -4, -11, 0, 2]),)
        path = getattr(vc, name)(q, t, buffer, stride, *gaps)
        expected = expected_path(name, q, t, buffer, stride, gaps)
        check_record(path, expected)
        assert path.score == getattr(vc, twin)(q, t, buffer, stride, *gaps)
        if not affine or gaps[0] >= gaps[1]:
            # Open no dearer than extend: every run of gap letters scores its
            # best reading, so the operations alone give the score back.
            ext = gaps[-1]
            score, qe, te = ref.rescore(path.operations, q, t, path.query_start, path.target_start,
                                        lookup(buffer, stride), None, gaps[0], ext, global_alignment=not local)
            assert (score, qe, te) == (path.score, path.query_end, path.target_end)


def test_local_ties_take_the_first_best_cell_and_the_diagonal():
    # Two cells reach 2 (query AA against target A): the first in row-major order.
    m = bytes([2, 0xFF, 0xFF, 2])
    for name in ("smith_waterman_path_info_matrix", "smith_waterman_affine_path_info_matrix"):
        gaps = (-3, -1) if "affine" in name else (-3,)
        p = getattr(vc, name)(b"\x00\x00", b"\x00", m, 2, *gaps)
        assert (p.score, p.query_start, p.query_end, p.target_start, p.target_end, p.operations) == (2, 0, 1, 0, 1, "=")
    # Diagonal against up tie on the path: the diagonal wins; then up beats left.
    p = vc.needleman_wunsch_path_info_matrix(b"\x00\x00\x00\x00", b"\x00\x00", m, 2, -2)
    assert p.operations == "DD==" and p.score == 0


def test_letters_go_by_code_equality_not_by_the_entry_sign():
    m = bytes([0xFB, 7, 7, 0xFB])  # equal codes score -5, different ones 7
    p = vc.needleman_wunsch_path_info_matrix(b"\x00\x01", b"\x00\x00", m, 2, -20)
    assert p.operations == "=X" and p.score == 2 and (p.matches, p.mismatches) == (1, 1)
    p = vc.smith_waterman_affine_path_info_matrix(b"\x00", b"\x01", m, 2, -20, -1)
    assert p.operations == "X" and p.cigar == "1X" and p.score == 7


@pytest.mark.parametrize("name", sorted(PATHS))
def test_empty_and_scoreless_inputs(name):
    local, affine, _ = PATHS[name]
    gaps = (-3, -1) if affine else (-2,)
    fn = getattr(vc, name)
    p = fn(b"", b"", b"\x05", 1, *gaps)
    assert (p.score, p.operations, p.cigar, p.aligned_length) == (0, "", "", 0)
    p = fn(b"", b"\x00\x00\x00", b"\x05", 1, *gaps)
    if local:
        assert (p.score, p.query_end, p.target_end, p.operations) == (0, 0, 0, "")
    else:
        assert p.operations == "III" and (p.target_start, p.target_end) == (0, 3)
        assert p.score == (-3 - 2 if affine else -6)
    if local:  # nothing positive at all
        p = fn(b"\x00\x01", b"\x01\x00", bytes([0xFF, 0xFE, 0xFD, 0xFC]), 2, *gaps)
        assert (p.score, p.query_start, p.query_end, p.target_start, p.target_end, p.cigar) == (0, 0, 0, 0, 0, "")


def test_affine_gap_of_three_is_one_run():
    m = BLOSUM62
    q, t = m.encode("WWWWAAAWWWW"), m.encode("WWWWWWWW")
    p = vc.needleman_wunsch_affine_path_info_matrix(q, t, m.buffer, m.stride, -5, -1)
    assert p.cigar == "4=3D4=" and p.score == 8 * 11 - 5 - 2
    p = vc.smith_waterman_affine_path_info_matrix(q, t, m.buffer, m.stride, -5, -1)
    assert p.cigar == "4=3D4=" and p.score == 8 * 11 - 5 - 2


def test_a_matrix_that_cannot_be_held_raises_memory_error_first():
    with pytest.raises(MemoryError, match="^smith_waterman_path_info_matrix: a traceback matrix"):
        vc.smith_waterman_path_info_matrix(b"\0" * 10**6, b"\0" * 10**6, b"\x01", 1)
    with pytest.raises(MemoryError, match="^needleman_wunsch_affine_path_info_matrix: a traceback matrix"):
        vc.needleman_wunsch_affine_path_info_matrix(b"\0" * 10**6, b"\0" * 10**6, b"\x01", 1, -2, -1)
