"""Optimal string alignment distance (damerau_levenshtein_* in Python)."""

import random

import numpy as np
import pytest

from veltrocamber import _swar as sw
from reference.edit_distances import (
    KINDS,
    TOKEN_ALPHABETS,
    check_token_lists,
    max_length_similarity,
    osa,
    random_pairs,
    symbols,
)


@pytest.mark.parametrize(
    "query, target, expected",
    [
        ("", "", 0),
        ("", "abc", 3),
        ("abc", "", 3),
        ("x" * 70, "", 70),  # long query, empty target
        ("", "x" * 70, 70),
        ("ab", "ba", 1),  # Levenshtein would give 2
        ("ca", "abc", 3),  # the transposed pair cannot be edited again
        (b"abc", "acb", 1),  # byte path, mixed kinds
        ("abc", b"abc", 0),
        (b"\xe9", "\xe9", 0),  # code units against bytes
        ("ab\u0100", "a\u0100b", 1),  # token path, 16-bit
        ([1, 2, 3], [1, 3, 2], 1),
        ([1, 2], (2, 1), 1),
    ],
)
def test_examples(query, target, expected):
    assert sw.damerau_levenshtein_score(query, target) == expected


@pytest.mark.parametrize("lq", [63, 64, 65, 130])
@pytest.mark.parametrize("kind", ["bytes", "str2"])
def test_both_sides_of_the_word_boundary(lq, kind):
    # The same edits on both sides of 64 symbols: bit-parallel up to 64,
    # three rows above.
    base = "abcdefgh" * 17
    q = base[:lq]
    t = q[:10] + q[11] + q[10] + q[12:30] + "z" + q[31:]
    if kind == "str2":
        q, t = q + "\u0100", t + "\u0100"
    elif kind == "bytes":
        q, t = q.encode(), t.encode()
    assert sw.damerau_levenshtein_score(q, t) == osa(q, t) == 2


@pytest.mark.parametrize("lq", [65, 128, 129, 192, 200, 256, 257, 300])
def test_transpositions_across_words(lq):
    # Queries of two to five words, each with transpositions straddling
    # every word boundary and random edits elsewhere: the forms unrolled
    # for two to four words and the general one.
    rng = random.Random(lq)
    for alphabet in (b"abcd", b"abcd", bytes(range(256)), b"\x00\xff"):
        q = bytes(rng.choice(alphabet) for _ in range(lq))
        items = list(q)
        for b in range(64, lq, 64):
            items[b - 1], items[b] = items[b], items[b - 1]
        for _ in range(rng.randrange(0, 12)):
            pos = rng.randrange(len(items) - 1)
            op = rng.randrange(3)
            if op == 0:
                items[pos], items[pos + 1] = items[pos + 1], items[pos]
            elif op == 1:
                del items[pos]
            else:
                items.insert(pos, rng.choice(alphabet))
        t = bytes(items)
        d = osa(q, t)
        assert sw.damerau_levenshtein_score(q, t) == d, (q, t)
        assert sw.damerau_levenshtein_score(t, q) == d
        wide = q.decode("latin-1") + "\u0100", t.decode("latin-1") + "\u0100"
        assert sw.damerau_levenshtein_score(*wide) == d


@pytest.mark.parametrize("kind", KINDS)
def test_random_against_reference(kind):
    for q, t in random_pairs(1031, kind, 60):
        a, b = symbols(q), symbols(t)
        d = osa(a, b)
        assert sw.damerau_levenshtein_score(q, t) == d, (q, t)
        assert sw.damerau_levenshtein_normalized_score(q, t) == max_length_similarity(d, len(a), len(b))


@pytest.mark.parametrize("kind", ["bytes", "str1", "str2", "objects"])
def test_random_against_rapidfuzz(kind):
    OSA = pytest.importorskip("rapidfuzz.distance").OSA
    for q, t in random_pairs(7, kind, 80, longest=150):
        assert sw.damerau_levenshtein_score(q, t) == OSA.distance(q, t), (q, t)


@pytest.mark.parametrize("alphabet", TOKEN_ALPHABETS)
def test_token_lists_of_any_alphabet_against_rapidfuzz(alphabet):
    OSA = pytest.importorskip("rapidfuzz.distance").OSA
    check_token_lists(sw.damerau_levenshtein_score, sw.damerau_levenshtein_scores, OSA.distance, alphabet + 1, alphabet)


@pytest.mark.parametrize(
    "query, target, expected",
    [("", "", 1.0), ("", "a", 0.0), ("ab", "ba", 0.5), ("abcd", "badc", 0.5), ("ab", "xy", 0.0)],
)
def test_normalized_examples(query, target, expected):
    assert sw.damerau_levenshtein_normalized_score(query, target) == expected


def test_batch_matches_pairs_on_every_road():
    query = "abcd"
    targets = ["abdc", b"ba", "", "ab\u0100d", ["a", "b"], "x" * 70]
    got = sw.damerau_levenshtein_scores(query, targets)
    assert got.dtype == np.int64 and got.shape == (len(targets),)
    assert list(got) == [sw.damerau_levenshtein_score(query, t) for t in targets]
    norm = sw.damerau_levenshtein_normalized_scores(query, targets)
    assert norm.dtype == np.float64
    assert list(norm) == [sw.damerau_levenshtein_normalized_score(query, t) for t in targets]


def test_batch_edge_cases():
    assert sw.damerau_levenshtein_scores("ab", []).shape == (0,)
    assert sw.damerau_levenshtein_scores("ab", []).dtype == np.int64
    # A str as targets is the sequence of its characters.
    assert list(sw.damerau_levenshtein_scores("ab", "ab")) == [1, 1]
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        sw.damerau_levenshtein_scores("ab", 5)


def test_batch_takes_a_generator_query_once():
    def gen():
        yield from "abc"

    assert list(sw.damerau_levenshtein_scores(gen(), ["abc", "acb", "abc"])) == [0, 1, 0]
    assert list(sw.damerau_levenshtein_normalized_scores(gen(), ["abc", "abc"])) == [1.0, 1.0]


def test_batch_error_ends_the_call():
    with pytest.raises(TypeError):
        sw.damerau_levenshtein_scores("ab", ["ab", b"a", "\u0100", 5])
