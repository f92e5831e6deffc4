"""The edit-distance top-k functions and `extract`.

Each ranks the batch function's own scores with the top-k selection: the
lists must equal the heap model run on those scores (array order, worst kept
entry first), with the very target objects of the caller's sequence.
"""

import math
import random

import numpy as np
import pytest

import veltrocamber
from veltrocamber import _swar as sw
from reference.edit_distances import random_pair, same_length_variant
from reference.top_k_heap import select as model_select

# top-k function -> (batch function, scorer id)
TOP_K = {
    "levenshtein_top_k": ("levenshtein_scores", 0),
    "levenshtein_normalized_top_k": ("levenshtein_normalized_scores", 1),
    "damerau_levenshtein_top_k": ("damerau_levenshtein_scores", 2),
    "damerau_levenshtein_normalized_top_k": ("damerau_levenshtein_normalized_scores", 3),
    "hamming_top_k": ("hamming_scores", 4),
    "hamming_normalized_top_k": ("hamming_normalized_scores", 5),
    "jaro_top_k": ("jaro_similarities", 6),
    "jaro_winkler_top_k": ("jaro_winkler_similarities", 7),
    "indel_top_k": ("indel_scores", 8),
    "indel_normalized_top_k": ("indel_normalized_scores", 9),
    "true_damerau_levenshtein_top_k": ("true_damerau_levenshtein_scores", 10),
    "true_damerau_levenshtein_normalized_top_k": ("true_damerau_levenshtein_normalized_scores", 11),
}
DISTANCE_IDS = {0, 2, 4, 8, 10}
EQUAL_LENGTHS = {4, 5}  # Hamming refuses targets of another length


def call_top_k(name, query, targets, k, **keywords):
    return getattr(sw, name)(query, targets, k=k, **keywords)


def expected(name, query, targets, k, **keywords):
    batch, scorer = TOP_K[name]
    scores = getattr(sw, batch)(query, targets, **keywords).tolist()
    return model_select(scores, targets, k, scorer not in DISTANCE_IDS)


def check_entries(got, targets, scorer):
    for target, score, index in got:
        assert target is targets[index]
        assert type(score) is (int if scorer in DISTANCE_IDS else float)
        assert type(index) is int


def random_case(rng, kind, scorer):
    """A query and 12 targets with many ties: few symbols, short lengths,
    some repeated targets (of the query's length for Hamming)."""
    equal = scorer in EQUAL_LENGTHS
    query, first = random_pair(rng, kind, longest=70, equal_lengths=equal)
    targets = [first]
    while len(targets) < 12:
        if rng.random() < 0.25:
            targets.append(rng.choice(targets))
        elif equal:
            targets.append(same_length_variant(rng, first))
        else:
            targets.append(random_pair(rng, kind, longest=70)[1])
    return query, targets


# ---------------------------------------------------------------------------
# The lists: heap order over the batch function's scores
# ---------------------------------------------------------------------------


@pytest.mark.parametrize("kind", ["bytes", "str1", "str2", "mixed", "objects"])
@pytest.mark.parametrize("name", list(TOP_K))
def test_lists_follow_the_heap_model_over_the_batch_scores(name, kind):
    scorer = TOP_K[name][1]
    rng = random.Random(f"{name}-{kind}")
    for _ in range(6):
        query, targets = random_case(rng, kind, scorer)
        n = len(targets)
        for k in (0, 1, 3, n, n + 5):
            got = call_top_k(name, query, targets, k)
            assert got == expected(name, query, targets, k)
            check_entries(got, targets, scorer)
            assert got == sw.extract(query, targets, scorer=scorer, k=k)


@pytest.mark.parametrize("name", list(TOP_K))
def test_empty_targets_and_k_beyond_n(name):
    query = "abc"
    targets = ["abd", "abc", "xbc"]
    assert call_top_k(name, query, [], 5) == []
    assert call_top_k(name, query, (), 0) == []
    # At least as many slots as targets: every target, in input order.
    got = call_top_k(name, query, targets, 3)
    assert [(t, i) for t, _, i in got] == [(t, i) for i, t in enumerate(targets)]
    assert call_top_k(name, query, targets, 10) == got


def test_worked_example_of_the_issue():
    got = sw.levenshtein_normalized_top_k("abcd", ["wxyz", "abxy", "abzw", "abcd"], 2)
    assert got == [("abzw", 0.5, 2), ("abcd", 1.0, 3)]


@pytest.mark.parametrize(
    "name, query, targets, k, want",
    [
        # Lower is better, the heap after the build holds 5 and 3; 9 stays out, 1 enters.
        ("levenshtein_top_k", "aaaaa", ["bbbbb", "aabbb", "bbbbbbbbbbbbbb", "aaaab"], 2,
         [("aabbb", 3, 1), ("aaaab", 1, 3)]),
        # Equal scores: the build swaps the two kept ones; the tie at the root stays out.
        ("levenshtein_normalized_top_k", "ab", ["ab", "ab", "ab"], 2, [("ab", 1.0, 1), ("ab", 1.0, 0)]),
        ("hamming_normalized_top_k", b"", [b"", b""], 5, [(b"", 1.0, 0), (b"", 1.0, 1)]),
        ("indel_normalized_top_k", "", [""], 5, [("", 1.0, 0)]),
    ],
)
def test_worked_examples(name, query, targets, k, want):
    assert call_top_k(name, query, targets, k) == want


def test_jaro_winkler_keywords_reach_the_scores():
    query, targets = "abcdefgh", ["abcdefxy", "abcxyzgh", "xbcdefgh", "abcdefgg", "bacdefgh"]
    for keywords in ({}, {"prefix_weight": 0.25}, {"prefix_threshold": 2.0}, {"prefix_cap": 0},
                     {"prefix_weight": float("nan")}):
        for k in (1, 2, 3):
            got = sw.jaro_winkler_top_k(query, targets, k=k, **keywords)
            want = expected("jaro_winkler_top_k", query, targets, k, **keywords)
            assert [(t, i) for t, _, i in got] == [(t, i) for t, _, i in want]
            assert all(a[1] == b[1] or (math.isnan(a[1]) and math.isnan(b[1])) for a, b in zip(got, want))
    # A prefix_threshold above every score turns the boost off: plain Jaro.
    assert sw.jaro_winkler_top_k(query, targets, k=3, prefix_threshold=2.0) == sw.jaro_top_k(query, targets, 3)


def test_nan_scores_rank_last():
    # A NaN prefix_weight makes every boosted score NaN: a NaN never pushes
    # out a number, and a number pushes out a NaN.
    nan_weight = dict(prefix_weight=float("nan"))
    targets = ["abd", "xyz", "abd", "xyz", "abd"]
    got = sw.jaro_winkler_top_k("abc", targets, k=2, **nan_weight)
    assert got == expected("jaro_winkler_top_k", "abc", targets, 2, **nan_weight)
    assert sorted(i for _, _, i in got) == [1, 3]


# ---------------------------------------------------------------------------
# extract
# ---------------------------------------------------------------------------


@pytest.mark.parametrize("name", list(TOP_K))
def test_extract_equals_its_top_k_twin(name):
    scorer = TOP_K[name][1]
    query = "kitten"
    targets = ["sitten", "kitten", "mitten", "kittens", "sittin", "nettik", "kit", "kitte"]
    if scorer in EQUAL_LENGTHS:
        targets = [t for t in targets if len(t) == len(query)]
    member = veltrocamber.Scorer(scorer)
    for k in (0, 2, 5, 20):
        want = call_top_k(name, query, targets, k)
        assert sw.extract(query, targets, scorer=scorer, k=k) == want
        assert sw.extract(query, targets, scorer=member, k=k) == want
        assert sw.extract(query, targets, scorer=np.int32(scorer), k=k) == want
    assert sw.extract(query, targets, scorer=scorer) == call_top_k(name, query, targets, 5)


def test_extract_jaro_winkler_uses_the_default_keywords():
    query, targets = "martha", ["marhta", "mathra", "martha", "marta", "amrtha", "mrtha"]
    assert sw.extract(query, targets, scorer=7, k=3) == sw.jaro_winkler_top_k(
        query, targets, k=3, prefix_weight=0.1, prefix_threshold=0.7, prefix_cap=4)


# ---------------------------------------------------------------------------
# Errors, in their order
# ---------------------------------------------------------------------------

SINGLE_TEXT = "targets must be an iterable of target sequences, not a single str/bytes"
NOT_A_SEQUENCE = "targets must be a sequence of target sequences"


@pytest.mark.parametrize("call", [
    *[lambda t, name=name: call_top_k(name, "abc", t, 1) for name in TOP_K],
    lambda t: sw.extract("abc", t, scorer=0),
    lambda t: sw.extract("abc", t, scorer=99),
    lambda t: sw.extract("abc", t, scorer=-1),
])
def test_targets_must_be_a_sequence_not_one_text(call):
    for single in ("abc", b"abc", "", type("S", (str,), {})("ab")):
        with pytest.raises(TypeError, match=f"^{SINGLE_TEXT}$"):
            call(single)
    with pytest.raises(TypeError, match=f"^{NOT_A_SEQUENCE}$"):
        call(5)


@pytest.mark.parametrize("scorer", [12, 99, -1, 2**31 - 1, -(2**31)])
def test_extract_refuses_unknown_scorers_after_the_targets(scorer):
    with pytest.raises(ValueError, match="^unknown Scorer value$"):
        sw.extract("abc", ["abc"], scorer=scorer)
    with pytest.raises(ValueError, match="^unknown Scorer value$"):
        sw.extract("abc", (t for t in ["abc"]), scorer=scorer, k=0)


@pytest.mark.parametrize("keywords", [
    dict(scorer=sw.levenshtein_scores),  # a scoring function: only the all-pairs functions look it up
    dict(scorer=2**31),
    dict(scorer=1.0),
    dict(scorer=None),
    dict(scorer=0, k=-1),
    dict(scorer=0, k=1.5),
    dict(scorer=0, k="1"),
])
def test_extract_conversion_errors_come_first(keywords):
    with pytest.raises(TypeError, match="incompatible function arguments"):
        sw.extract("abc", "abc", **keywords)


@pytest.mark.parametrize("bad", [-1, 2.0, None, 2**64])
def test_top_k_k_must_convert(bad):
    with pytest.raises(TypeError, match="incompatible function arguments"):
        sw.levenshtein_top_k("abc", "abc", bad)
    with pytest.raises(TypeError, match="incompatible function arguments"):
        sw.jaro_winkler_top_k("abc", "abc", k=bad)


@pytest.mark.parametrize("name", list(TOP_K))
def test_k_zero_still_scores_every_target(name):
    scorer = TOP_K[name][1]
    with pytest.raises(TypeError):
        call_top_k(name, "abc", ["abc", 5], 0)
    with pytest.raises(TypeError):
        sw.extract("abc", ["abc", 5], scorer=scorer, k=0)
    if scorer in EQUAL_LENGTHS:
        with pytest.raises(ValueError, match="Hamming requires equal-length inputs"):
            call_top_k(name, "abc", ["abc", "ab"], 0)


def test_positional_and_keyword_forms():
    targets = ["abc", "abd"]
    assert sw.levenshtein_top_k("abc", targets, 1) == sw.levenshtein_top_k(query="abc", targets=targets, k=1)
    with pytest.raises(TypeError):
        sw.jaro_winkler_top_k("abc", targets, 1)  # k is keyword-only here
    with pytest.raises(TypeError):
        sw.extract("abc", targets, 0)


def test_levenshtein_top_k_docstring():
    doc = sw.levenshtein_top_k.__doc__.split("\n\n", 1)[1].split("\n")
    assert len(doc) == 4
    assert doc[0] == "Top-k targets by lowest Levenshtein distance (ascending)."
    assert doc[1] == ""
    assert "``list[(target, score, index)]``" in doc[2] and "``k``" in doc[2]
    assert doc[3] == "Distances are int64."
