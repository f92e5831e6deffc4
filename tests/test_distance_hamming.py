"""Hamming distance: equal lengths only, two message forms."""

import re

import numpy as np
import pytest

from veltrocamber import _swar as sw
from reference.edit_distances import KINDS, hamming, length_similarity, random_pairs, symbols

# The TypeError of an input without a length, after "<function>: <input>".
LENGTHLESS = " must have a length \\(a str, bytes or sequence\\), not "


def pair_message(lq, lt):
    return re.escape(f"Hamming requires equal-length inputs (query has length {lq}, target has length {lt})")


def index_message(i, lt, lq):
    return re.escape(
        f"Hamming requires equal-length inputs (target index {i} has length {lt}, query has length {lq})"
    )


@pytest.mark.parametrize(
    "query, target, expected",
    [
        ("", "", 0),
        ("abc", "abd", 1),
        (b"abc", "abd", 1),  # byte path, mixed kinds
        ("caf\xe9", b"caf\xe9", 0),
        ([1, 2, 3], [1, 2, 4], 1),
        ("\u0100bc", "\u0100bd", 1),
        ("x" * 100, "y" * 100, 100),
    ],
)
def test_examples(query, target, expected):
    assert sw.hamming_score(query, target) == expected


@pytest.mark.parametrize(
    "query, target, lq, lt",
    [
        ("abc", "ab", 3, 2),
        ([1, 2], [1, 2, 3], 2, 3),
        ("\u0100bc", "ab", 3, 2),  # lengths in code points
        (b"", b"a", 0, 1),
    ],
)
def test_unequal_lengths(query, target, lq, lt):
    with pytest.raises(ValueError, match=f"^{pair_message(lq, lt)}$"):
        sw.hamming_score(query, target)
    with pytest.raises(ValueError, match=f"^{pair_message(lq, lt)}$"):
        sw.hamming_normalized_score(query, target)


@pytest.mark.parametrize("kind", KINDS)
def test_random_against_reference(kind):
    for q, t in random_pairs(57, kind, 60, equal_lengths=True):
        a, b = symbols(q), symbols(t)
        d = hamming(a, b)
        assert sw.hamming_score(q, t) == d
        assert sw.hamming_normalized_score(q, t) == length_similarity(d, len(q))


def test_random_against_rapidfuzz():
    Hamming = pytest.importorskip("rapidfuzz.distance").Hamming
    for kind in ("bytes", "str1", "str2", "objects"):
        for q, t in random_pairs(59, kind, 40, equal_lengths=True):
            assert sw.hamming_score(q, t) == Hamming.distance(q, t, pad=False)


@pytest.mark.parametrize(
    "query, target, expected",
    [("", "", 1.0), ("abc", "abd", 0.6666666666666667), ("ab", "xy", 0.0), ([1, 2], [1, 2], 1.0)],
)
def test_normalized_examples(query, target, expected):
    assert sw.hamming_normalized_score(query, target) == expected


def test_batch_all_bytes_checks_lengths_before_counting():
    with pytest.raises(ValueError, match=f"^{index_message(1, 2, 3)}$"):
        sw.hamming_scores("abc", ["abd", "xy"])
    with pytest.raises(ValueError, match=f"^{index_message(2, 4, 3)}$"):
        sw.hamming_normalized_scores(b"abc", ["abd", b"abc", "abcd", "\u0100bc"])


def test_batch_per_target_road_uses_the_pair_message():
    # The first target is not byte-like, so the second one raises the pair form.
    with pytest.raises(ValueError, match=f"^{pair_message(3, 2)}$"):
        sw.hamming_scores("abc", ["\u0100bc", "ab"])
    with pytest.raises(ValueError, match=f"^{pair_message(3, 4)}$"):
        sw.hamming_scores([1, 2, 3], [[1, 2, 3], [1, 2, 3, 4]])


def test_batch_matches_pairs():
    query = "abcd"
    targets = ["abce", b"abcd", "\u0100bcd", list("abdd"), "zzzz"]
    got = sw.hamming_scores(query, targets)
    assert got.dtype == np.int64
    assert list(got) == [sw.hamming_score(query, t) for t in targets]
    norm = sw.hamming_normalized_scores(query, targets)
    assert norm.dtype == np.float64
    assert list(norm) == [sw.hamming_normalized_score(query, t) for t in targets]
    # All byte-like: the all-bytes road.
    assert list(sw.hamming_scores(b"abcd", ["abce", b"xbcd", "abcd"])) == [1, 1, 0]


def test_batch_edge_cases():
    empty = sw.hamming_scores("abc", [])
    assert empty.dtype == np.int64 and empty.shape == (0,)
    assert list(sw.hamming_normalized_scores("", ["", ""])) == [1.0, 1.0]
    assert list(sw.hamming_scores("a", "ab")) == [0, 1]  # a str as targets: its characters
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        sw.hamming_scores("ab", 5)


def test_generator_query():
    def gen():
        yield from [1, 2, 3]

    # A batch takes the items once, and measures the same items.
    assert list(sw.hamming_scores(gen(), [[1, 2, 3], [1, 2, 4]])) == [0, 1]
    assert list(sw.hamming_normalized_scores(gen(), [[1, 2, 3], [1, 0, 0]])) == [1.0, 1 - 2 / 3]
    # One pair: the distance is found, but a generator has no len().
    assert sw.hamming_score(gen(), [1, 2, 4]) == 1
    with pytest.raises(TypeError, match=f"^hamming_normalized_score: query{LENGTHLESS}generator$"):
        sw.hamming_normalized_score(gen(), [1, 2, 4])
