"""Unrestricted Damerau-Levenshtein distance (true_damerau_levenshtein_*)."""

import numpy as np
import pytest

from veltrocamber import _swar as sw
from reference.edit_distances import (
    KINDS,
    max_length_similarity,
    random_pairs,
    symbols,
    unrestricted_damerau_levenshtein,
)

# The TypeError of an input without a length, after "<function>: <input>".
LENGTHLESS = " must have a length \\(a str, bytes or sequence\\), not "


@pytest.mark.parametrize(
    "query, target, expected",
    [
        ("", "", 0),
        ("", "abcd", 4),
        ("abc", "", 3),
        ("ca", "abc", 2),  # the optimal string alignment distance is 3
        ("abc", "abc", 0),
        ("abcd", "abdc", 1),
        (b"caf\xe9", "caf\xe9", 0),  # byte path, mixed kinds
        ("\u0100\u0101", "\u0101\u0100", 1),
        ("\u4e2d" * 3, "\u4e2d" * 3, 0),
        ([1, "a", (2,)], ["a", 1, (2,)], 1),
    ],
)
def test_examples(query, target, expected):
    assert sw.true_damerau_levenshtein_score(query, target) == expected


@pytest.mark.parametrize("kind", KINDS)
def test_random_against_reference(kind):
    for q, t in random_pairs(314, kind, 40, longest=70):
        a, b = symbols(q), symbols(t)
        d = unrestricted_damerau_levenshtein(a, b)
        assert sw.true_damerau_levenshtein_score(q, t) == d, (q, t)
        assert sw.true_damerau_levenshtein_normalized_score(q, t) == max_length_similarity(d, len(q), len(t))


@pytest.mark.parametrize("kind", ["str1", "str2", "str4"])
def test_random_against_jellyfish(kind):
    jellyfish = pytest.importorskip("jellyfish")
    for q, t in random_pairs(2718, kind, 60, longest=90):
        assert sw.true_damerau_levenshtein_score(q, t) == jellyfish.damerau_levenshtein_distance(q, t), (q, t)


@pytest.mark.parametrize(
    "query, target, expected", [("", "", 1.0), ("", "abc", 0.0), ("abcd", "abdc", 0.75), ("ab", "cd", 0.0)]
)
def test_normalized_examples(query, target, expected):
    assert sw.true_damerau_levenshtein_normalized_score(query, target) == expected


def test_batch():
    got = sw.true_damerau_levenshtein_scores("abc", "abc")  # a str as targets: its characters
    assert got.dtype == np.int64 and list(got) == [2, 2, 2]
    assert sw.true_damerau_levenshtein_scores("abc", []).shape == (0,)
    assert list(sw.true_damerau_levenshtein_normalized_scores("", ["", ""])) == [1.0, 1.0]
    targets = ["acb", b"ca", "\u0100bc", ["b", "a", "c"], "", "y" * 90]
    assert list(sw.true_damerau_levenshtein_scores("abc", targets)) == [
        sw.true_damerau_levenshtein_score("abc", t) for t in targets
    ]
    norm = sw.true_damerau_levenshtein_normalized_scores("abc", targets)
    assert norm.dtype == np.float64
    assert list(norm) == [sw.true_damerau_levenshtein_normalized_score("abc", t) for t in targets]
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        sw.true_damerau_levenshtein_scores("ab", 5)


def test_generator_inputs():
    def gen(items):
        yield from items

    assert list(sw.true_damerau_levenshtein_scores(gen("ab"), ["ab", "ba"])) == [0, 1]
    assert list(sw.true_damerau_levenshtein_normalized_scores(gen("ab"), ["ab", "ba"])) == [1.0, 0.5]
    assert sw.true_damerau_levenshtein_score(gen("ab"), "ba") == 1
    # The normalisation needs len(), which a generator lacks: TypeError, not
    # a length of 2^64 - 1.
    with pytest.raises(TypeError, match=f"^true_damerau_levenshtein_normalized_score: query{LENGTHLESS}generator$"):
        sw.true_damerau_levenshtein_normalized_score(gen("ab"), "ba")
    with pytest.raises(
        TypeError, match=f"^true_damerau_levenshtein_normalized_scores: target at index 0{LENGTHLESS}generator$"
    ):
        sw.true_damerau_levenshtein_normalized_scores("ab", [gen("ba")])


@pytest.mark.parametrize(
    "query, target",
    [
        (b"a" * 3_000_000, b"b" * 3_000_000),  # 72 TB of cells
        ("\u0100" * 3_000_000, "\u0101" * 3_000_000),
    ],
)
def test_a_table_that_cannot_be_held_raises_memory_error(query, target):
    with pytest.raises(MemoryError):
        sw.true_damerau_levenshtein_score(query, target)


def test_the_table_of_what_is_left_after_the_affixes_is_guarded():
    # The table has two sentinel rows and columns around the sides left
    # once the common prefix and suffix are dropped; 8 bytes a cell.
    with pytest.raises(MemoryError) as info:
        sw.true_damerau_levenshtein_score(b"x" + b"a" * 3_000_000 + b"yz", b"x" + b"b" * 2_000_000 + b"yz")
    assert str(info.value).startswith(
        "true_damerau_levenshtein_score: a distance table of 3000002 x 2000002 cells (43.7 TiB) exceeds the "
        "memory available (")
