"""Indel distance: insertions and deletions only."""

import random

import numpy as np
import pytest

from veltrocamber import _swar as sw
from reference.edit_distances import (
    KINDS,
    TOKEN_ALPHABETS,
    check_token_lists,
    indel,
    length_similarity,
    random_pairs,
    symbols,
)

# The TypeError of an input without a length, after "<function>: <input>".
LENGTHLESS = " must have a length \\(a str, bytes or sequence\\), not "


@pytest.mark.parametrize(
    "query, target, expected",
    [
        ("", "", 0),
        ("", "abc", 3),
        ("abc", "", 3),
        ("x" * 70, "", 70),
        ("ab", "ba", 2),
        ([1, 2, 3], [3, 2, 1], 4),
        (b"abc", "abc", 0),  # byte path, mixed kinds
        (b"\xe9", "\xe9", 0),
        ("a\u0100b", "ab", 1),
    ],
)
def test_examples(query, target, expected):
    assert sw.indel_score(query, target) == expected


@pytest.mark.parametrize("lq", [63, 64, 65, 129])
@pytest.mark.parametrize("wide", [False, True])
def test_both_sides_of_the_word_boundary(lq, wide):
    q = ("abcdefg" * 20)[:lq]
    t = "z" + q[: lq // 2] + q[lq // 2 + 3 :] + "yy"
    if wide:
        q, t = q + "\u0100", t + "\u0100"
    assert sw.indel_score(q, t) == indel(q, t) == len(q) + len(t) - 2 * (len(q) - 3)


@pytest.mark.parametrize("lq", [65, 128, 129, 200, 256, 257, 320])
@pytest.mark.parametrize("alphabet", [b"ab", bytes(range(256))])
def test_blocked_byte_queries(lq, alphabet):
    # Two to five words, on the extreme byte values too: the masks in a
    # table of every byte value (two to four words) and in rows of the bytes
    # the query holds (five), against related and unrelated targets.
    rng = random.Random(lq + len(alphabet))
    for _ in range(6):
        q = bytes(rng.choice(alphabet) for _ in range(lq))
        if rng.random() < 0.5:
            items = list(q)
            for _ in range(rng.randrange(1, 20)):
                pos = rng.randrange(len(items))
                if rng.random() < 0.5:
                    del items[pos]
                else:
                    items.insert(pos, rng.choice(alphabet))
            t = bytes(items)
        else:
            t = bytes(rng.choice(alphabet) for _ in range(rng.randrange(1, 2 * lq)))
        d = indel(q, t)
        assert sw.indel_score(q, t) == d, (q, t)
        assert sw.indel_score(t, q) == d


@pytest.mark.parametrize("kind", KINDS)
def test_random_against_reference(kind):
    for q, t in random_pairs(4242, kind, 60):
        a, b = symbols(q), symbols(t)
        d = indel(a, b)
        assert sw.indel_score(q, t) == d, (q, t)
        assert sw.indel_normalized_score(q, t) == length_similarity(d, len(q) + len(t))


@pytest.mark.parametrize("kind", ["bytes", "str1", "str2", "objects"])
def test_random_against_rapidfuzz(kind):
    Indel = pytest.importorskip("rapidfuzz.distance").Indel
    for q, t in random_pairs(99, kind, 60, longest=150):
        assert sw.indel_score(q, t) == Indel.distance(q, t), (q, t)


@pytest.mark.parametrize("alphabet", TOKEN_ALPHABETS)
def test_token_lists_of_any_alphabet_against_rapidfuzz(alphabet):
    Indel = pytest.importorskip("rapidfuzz.distance").Indel
    check_token_lists(sw.indel_score, sw.indel_scores, Indel.distance, alphabet + 2, alphabet)


@pytest.mark.parametrize(
    "query, target, expected", [("", "", 1.0), ("abc", "", 0.0), ("ab", "ba", 0.5), ("abcd", "abce", 0.75)]
)
def test_normalized_examples(query, target, expected):
    assert sw.indel_normalized_score(query, target) == expected


def test_batch():
    got = sw.indel_scores("abc", ["abc", "", "xyz"])
    assert got.dtype == np.int64 and list(got) == [0, 3, 6]
    assert sw.indel_scores("abc", []).shape == (0,)
    assert list(sw.indel_scores("abc", "ab")) == [2, 2]  # a str as targets: its characters
    assert list(sw.indel_normalized_scores("", ["", "a"])) == [1.0, 0.0]
    targets = ["abd", b"ba", "\u0100bc", ("a", "c"), "x" * 80]
    assert list(sw.indel_scores("abc", targets)) == [sw.indel_score("abc", t) for t in targets]
    norm = sw.indel_normalized_scores("abc", targets)
    assert norm.dtype == np.float64
    assert list(norm) == [sw.indel_normalized_score("abc", t) for t in targets]
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        sw.indel_scores("ab", 5)
    with pytest.raises(TypeError):
        sw.indel_scores("abc", b"ab")  # bytes as targets: integers, which are refused


def test_generator_inputs():
    def gen(items):
        yield from items

    # A batch takes a one-shot query once: every target sees all of it, and
    # the lengths are those of the items scored.
    assert list(sw.indel_scores(gen([1, 2, 3]), [[1, 2, 3], [1, 2, 3]])) == [0, 0]
    assert list(sw.indel_normalized_scores(gen([1, 2]), [[1, 2], [3, 4]])) == [1.0, 0.0]
    assert list(sw.indel_normalized_scores(gen([1, 2]), [])) == []
    # One pair: the distance is found, but a generator has no len().
    assert sw.indel_score(gen([1, 2]), [2]) == 1
    with pytest.raises(TypeError, match=f"^indel_normalized_score: query{LENGTHLESS}generator$"):
        sw.indel_normalized_score(gen([1, 2]), [2])
    with pytest.raises(TypeError, match=f"^indel_normalized_scores: target at index 1{LENGTHLESS}generator$"):
        sw.indel_normalized_scores([1, 2], [[1], gen([2])])
