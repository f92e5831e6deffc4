"""Jaro and Jaro-Winkler similarity."""

import math

import numpy as np
import pytest

from veltrocamber import _swar as sw
from reference.edit_distances import (
    KINDS,
    TOKEN_ALPHABETS,
    common_prefix,
    jaro,
    jaro_winkler,
    random_pairs,
    symbols,
    token_pairs,
)


@pytest.mark.parametrize(
    "query, target, j, jw",
    [
        ("", "", 1.0, 1.0),
        ("", "abc", 0.0, 0.0),
        ("abc", "", 0.0, 0.0),
        ("a", "a", 1.0, 1.0),  # window 0
        ("a", "b", 0.0, 0.0),
        ("ab", "ba", 0.0, 0.0),  # longer length 2: only equal positions match
        ("MARTHA", "MARHTA", 0.9444444444444445, 0.9611111111111111),
        ("DIXON", "DICKSONX", 0.7666666666666666, 0.8133333333333332),
        ("abc", "abd", 0.7777777777777777, 0.8222222222222222),
        (b"caf\xe9", "caf\xe9", 1.0, 1.0),  # byte path compares code units
    ],
)
def test_examples(query, target, j, jw):
    assert sw.jaro_similarity(query, target) == j
    assert sw.jaro_winkler_similarity(query, target) == jw


@pytest.mark.parametrize(
    "kwargs, expected",
    [
        (dict(prefix_threshold=0.8), 0.7777777777777777),  # boost skipped
        (dict(prefix_cap=0), 0.7777777777777777),
        (dict(prefix_threshold=math.nan), 0.8222222222222222),  # NaN never blocks the boost
        (dict(prefix_weight=-0.1), jaro_winkler("abc", "abd", prefix_weight=-0.1)),
    ],
)
def test_boost_keywords(kwargs, expected):
    assert sw.jaro_winkler_similarity("abc", "abd", **kwargs) == expected
    assert list(sw.jaro_winkler_similarities("abc", ["abd"], **kwargs)) == [expected]


def test_boost_is_not_clamped():
    assert sw.jaro_winkler_similarity("abcdx", "abcdy", prefix_weight=0.5) == 1.1333333333333333


@pytest.mark.parametrize("bad", [dict(prefix_cap=-1), dict(prefix_cap=1.5), dict(prefix_weight="x")])
def test_keyword_conversion(bad):
    with pytest.raises(TypeError):
        sw.jaro_winkler_similarity("abc", "abd", **bad)


def test_keywords_are_keyword_only():
    with pytest.raises(TypeError):
        sw.jaro_winkler_similarity("abc", "abd", 0.2)


@pytest.mark.parametrize("kind", KINDS)
def test_random_against_reference(kind):
    for q, t in random_pairs(1618, kind, 80, longest=90):
        a, b = symbols(q), symbols(t)
        assert sw.jaro_similarity(q, t) == jaro(a, b), (q, t)
        assert sw.jaro_winkler_similarity(q, t) == jaro_winkler(a, b), (q, t)
        assert sw.jaro_winkler_similarity(q, t, prefix_weight=0.25, prefix_threshold=0.3, prefix_cap=9) == (
            jaro_winkler(a, b, 0.25, 0.3, 9)
        )


def test_the_boost_is_one_fused_step():
    # Pairs where (L * w) * (1 - j) + j differs between one rounding and two:
    # the fused form is the one answered.
    found = 0
    for q, t in random_pairs(5, "str1", 400):
        a, b = symbols(q), symbols(t)
        j = jaro(a, b)
        if j < 0.7 or j == 1.0:
            continue
        expected = jaro_winkler(a, b)
        unfused = (common_prefix(a, b, 4) * 0.1) * (1.0 - j) + j
        if unfused != expected:
            found += 1
            assert sw.jaro_winkler_similarity(q, t) == expected
    assert found > 0


def within_tolerance(a, b):
    return abs(a - b) <= 1e-12


@pytest.mark.parametrize("kind", ["bytes", "str1", "str2", "objects"])
def test_random_against_rapidfuzz(kind):
    distance = pytest.importorskip("rapidfuzz.distance")
    for q, t in random_pairs(31, kind, 80, longest=120):
        if not q or not t:
            continue
        j = sw.jaro_similarity(q, t)
        assert within_tolerance(j, distance.Jaro.similarity(q, t)), (q, t)
        if abs(j - 0.7) > 1e-9:
            assert within_tolerance(sw.jaro_winkler_similarity(q, t), distance.JaroWinkler.similarity(q, t))


@pytest.mark.parametrize("alphabet", TOKEN_ALPHABETS)
def test_token_lists_of_any_alphabet_against_rapidfuzz(alphabet):
    # The long scan masks the target side: both orders.
    distance = pytest.importorskip("rapidfuzz.distance")
    for q, t in token_pairs(alphabet + 3, alphabet):
        for a, b in ((q, t), (t, q)):
            j = sw.jaro_similarity(a, b)
            assert within_tolerance(j, distance.Jaro.similarity(a, b)), (len(a), len(b))
            assert sw.jaro_similarities(a, [b]).tolist() == [j]
            if abs(j - 0.7) > 1e-9:
                assert within_tolerance(sw.jaro_winkler_similarity(a, b), distance.JaroWinkler.similarity(a, b))


def test_random_against_jellyfish():
    jellyfish = pytest.importorskip("jellyfish")
    for q, t in random_pairs(32, "str1", 80, longest=120):
        if not q or not t:
            continue
        j = sw.jaro_similarity(q, t)
        assert within_tolerance(j, jellyfish.jaro_similarity(q, t)), (q, t)
        if abs(j - 0.7) > 1e-9:
            assert within_tolerance(sw.jaro_winkler_similarity(q, t), jellyfish.jaro_winkler_similarity(q, t))


def test_bit_parallel_and_scalar_agree(hooks):
    # Up to 64 bytes a side the byte path scans the target with bit masks;
    # the scalar kernel scans the query. Both must find the same matches.
    for q, t in random_pairs(77, "bytes", 300, longest=64):
        assert hooks.jaro_bit_parallel(q, t) == hooks.jaro_scalar(q, t) == jaro(q, t), (q, t)


def test_long_byte_query_runs_the_scalar_form():
    q = ("abcdefghij" * 7)[:65]
    t = "jihgfedcba"
    assert sw.jaro_similarity(q, t) == jaro(q, t) == sw.jaro_similarity(list(q), list(t))


def test_batch():
    empty = sw.jaro_similarities("abc", [])
    assert empty.dtype == np.float64 and empty.shape == (0,)
    targets = ["abd", b"abc", "\u0100bc", ["a", "b"], "", "x" * 70, "MARHTA"]
    got = sw.jaro_similarities("MARTHA", targets)
    assert got.dtype == np.float64
    assert list(got) == [sw.jaro_similarity("MARTHA", t) for t in targets]
    got = sw.jaro_winkler_similarities("MARTHA", targets, prefix_weight=0.2)
    assert list(got) == [sw.jaro_winkler_similarity("MARTHA", t, prefix_weight=0.2) for t in targets]
    assert list(sw.jaro_similarities("a", "ab")) == [1.0, 0.0]  # a str as targets: its characters
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        sw.jaro_similarities("ab", 5)


def test_generator_query():
    def gen():
        yield from "MARTHA"

    # Every target of a batch sees the whole query, and one pair reads a
    # one-shot query once for both the Jaro value and the prefix.
    assert list(sw.jaro_winkler_similarities(gen(), ["MARHTA", "MARHTA"])) == [0.9611111111111111] * 2
    assert list(sw.jaro_similarities(gen(), ["MARTHA", "MARTHA"])) == [1.0, 1.0]
    assert sw.jaro_winkler_similarity(gen(), "MARHTA") == 0.9611111111111111
