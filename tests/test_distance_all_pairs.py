"""The all-pairs entry points: argument conversion, the scorer check, NotImplementedError."""

import re
import sys

import pytest

from veltrocamber import Scorer
from veltrocamber import _swar as sw

BUILTIN_BATCH_SCORERS = [
    "levenshtein_scores", "levenshtein_normalized_scores", "damerau_levenshtein_scores",
    "damerau_levenshtein_normalized_scores", "hamming_scores", "hamming_normalized_scores", "indel_scores",
    "indel_normalized_scores", "true_damerau_levenshtein_scores", "true_damerau_levenshtein_normalized_scores",
    "jaro_similarities", "jaro_winkler_similarities",
]

# name -> (the required keywords besides scorer, ValueError text)
ENTRIES = {
    "cdist": (
        {},
        "cdist scorer must be a Scorer enum value or a known veltrocamber scoring function "
        "(e.g. veltrocamber.levenshtein_scores).",
    ),
    "cdist_above_threshold": (
        {"threshold": 0.5},
        "cdist_above_threshold scorer must be a normalized Scorer enum value or a known veltrocamber scoring "
        "function (e.g. veltrocamber.jaro_similarities).",
    ),
    "cdist_top_k": (
        {"k": 3},
        "cdist_top_k scorer must be a normalized Scorer enum value or a known veltrocamber scoring function.",
    ),
}


def call(name, scorer, queries=("a", "b"), targets=("c",), **kwargs):
    required, _ = ENTRIES[name]
    return getattr(sw, name)(queries, targets, scorer=scorer, **{**required, **kwargs})


def not_implemented_text(name):
    return f"{name} is not implemented for this backend; use a SIMD-capable backend (any non-generic)."


def raises_exactly(exc, text):
    return pytest.raises(exc, match=f"^{re.escape(text)}$")


@pytest.mark.parametrize("name", ENTRIES)
@pytest.mark.parametrize(
    "scorer",
    # Integers of any value and any int subclass: converted, never examined.
    [3, 99, -5, 0, True, False, Scorer.JARO, Scorer.LEVENSHTEIN, 2**31 - 1, -(2**31)]
    + [pytest.param(n, id=n) for n in BUILTIN_BATCH_SCORERS],
)
def test_accepted_scorers_reach_not_implemented(name, scorer):
    if isinstance(scorer, str):
        scorer = getattr(sw, scorer)
    with raises_exactly(NotImplementedError, not_implemented_text(name)):
        call(name, scorer)


@pytest.mark.parametrize("name", ENTRIES)
@pytest.mark.parametrize("scorer", [2**40, 2**31, -(2**31) - 1, -(2**63), 2**100])
def test_integer_scorer_outside_int32_overflows(name, scorer):
    with pytest.raises(OverflowError) as info:
        call(name, scorer)
    message = str(info.value)
    assert message.startswith(f"{name}: scorer ")
    assert "-2147483648" in message and "2147483647" in message


@pytest.mark.parametrize("name", ENTRIES)
@pytest.mark.parametrize(
    "scorer",
    [
        sw.levenshtein_score,  # a pair function
        sw.smith_waterman_top_k,  # a top-k function
        lambda q, t: 0,
        "levenshtein_scores",
        None,
        3.0,
        Scorer,  # the enumeration itself, not a member
    ],
    ids=["pair", "top_k", "lambda", "str", "None", "float", "enum"],
)
def test_unknown_scorer_objects_raise_the_entry_value_error(name, scorer):
    with raises_exactly(ValueError, ENTRIES[name][1]):
        call(name, scorer)


@pytest.mark.parametrize("name", ENTRIES)
def test_registered_function_is_accepted_whatever_its_id(name):
    scorer = lambda q, t: 0  # noqa: E731
    with pytest.raises(ValueError):
        call(name, scorer)
    sw._register_scorer(scorer, 99)  # not a ScorerId at all: the id is never read
    with raises_exactly(NotImplementedError, not_implemented_text(name)):
        call(name, scorer)


@pytest.mark.parametrize(
    "name, kwargs",
    [
        ("cdist_top_k", {"reject_duplicates": 1}),
        ("cdist_top_k", {"reject_duplicates": None}),
        ("cdist_top_k", {"k": 1.5}),
        ("cdist_top_k", {"k": -1}),
        ("cdist_above_threshold", {"threshold": "0.5"}),
        *[(name, {"cpu_count": -1}) for name in ENTRIES],
        *[(name, {"prefix_cap": 2**64}) for name in ENTRIES],
        *[(name, {"prefix_weight": "0.1"}) for name in ENTRIES],
        *[(name, {"unknown": 1}) for name in ENTRIES],
    ],
)
def test_arguments_that_do_not_convert_raise_type_error(name, kwargs):
    # An unknown scorer as well: conversion fails before the scorer is looked at.
    for scorer in (3, "not a scorer"):
        with pytest.raises(TypeError, match="incompatible function arguments"):
            call(name, scorer, **kwargs)


@pytest.mark.parametrize("name", ENTRIES)
def test_required_keywords_and_keyword_only_marks(name):
    fn = getattr(sw, name)
    with pytest.raises(TypeError):
        fn(["a"], ["b"])  # scorer missing
    with pytest.raises(TypeError):
        fn(["a"], ["b"], 3, **ENTRIES[name][0])  # scorer given positionally
    if ENTRIES[name][0]:
        with pytest.raises(TypeError):
            fn(["a"], ["b"], scorer=3)  # threshold or k missing


def test_numeric_keywords_take_their_whole_range():
    with raises_exactly(NotImplementedError, not_implemented_text("cdist_top_k")):
        sw.cdist_top_k([], [], scorer=1, k=2**64 - 1, cpu_count=0, reject_duplicates=True, prefix_cap=2**64 - 1,
                       prefix_weight=float("nan"), prefix_threshold=-1)
    with raises_exactly(NotImplementedError, not_implemented_text("cdist_above_threshold")):
        sw.cdist_above_threshold([], [], scorer=1, threshold=2)  # an int converts to float


class Untouchable:
    """Any use beyond holding a reference raises."""

    def __getattribute__(self, name):
        raise AssertionError(f"looked at {name}")

    def __len__(self):
        raise AssertionError("looked at len")

    def __iter__(self):
        raise AssertionError("iterated")


@pytest.mark.parametrize("name", ENTRIES)
def test_queries_targets_and_tqdm_are_never_looked_at(name):
    q, t, progress = Untouchable(), Untouchable(), Untouchable()
    counts = [sys.getrefcount(x) for x in (q, t, progress)]
    for scorer in (3, sw.jaro_similarities, "bad", 2**40):
        with pytest.raises((NotImplementedError, ValueError, OverflowError)):
            call(name, scorer, queries=q, targets=t, tqdm=progress)
    # and the references held for the call are all released
    assert [sys.getrefcount(x) for x in (q, t, progress)] == counts
