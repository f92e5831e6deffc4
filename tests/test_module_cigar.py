"""CIGAR text from operation strings and from runs collected back to front."""

import pytest


@pytest.mark.parametrize(
    "ops, cigar, counts",
    [
        ("==X==II", "2=1X2=2I", (4, 1, 2, 0)),
        ("D", "1D", (0, 0, 0, 1)),
        ("", "", (0, 0, 0, 0)),
        ("=" * 1234567, "1234567=", (1234567, 0, 0, 0)),
        ("XXDI=", "2X1D1I1=", (1, 2, 1, 1)),
        # A letter outside the four stays in the text and the length only.
        ("=M=", "1=1M1=", (2, 0, 0, 0)),
    ],
)
def test_operations_to_path(hooks, ops, cigar, counts):
    assert hooks.cigar_from_operations(ops) == cigar
    p = hooks.make_alignment_path(-5, 1, 2, 3, 4, ops)
    assert (p.score, p.query_start, p.query_end, p.target_start, p.target_end) == (-5, 1, 2, 3, 4)
    assert p.operations == ops and p.cigar == cigar
    assert (p.matches, p.mismatches, p.insertions, p.deletions) == counts
    assert p.aligned_length == len(ops)


@pytest.mark.parametrize(
    "pushes, runs, text",
    [
        ("DD===", [("D", 2), ("=", 3)], "3=2D"),
        ("XX", [("X", 2)], "2X"),
        ("XX=", [("X", 2), ("=", 1)], "1=2X"),
        ("", [], ""),
        ("IDI", [("I", 1), ("D", 1), ("I", 1)], "1I1D1I"),
    ],
)
def test_runs_pushed_from_the_end(hooks, pushes, runs, text):
    assert hooks.cigar_runs_from_pushes(pushes) == (runs, text)


def test_runs_text_matches_operations_text(hooks):
    import random

    rng = random.Random(11)
    for _ in range(200):
        ops = "".join(rng.choice("==XDI") for _ in range(rng.randrange(0, 40)))
        _, text = hooks.cigar_runs_from_pushes(ops[::-1])
        assert text == hooks.cigar_from_operations(ops)
