"""Top-k selection: exact heap order, ties, NaN, identity of targets."""

import math
import random

import pytest

from reference.top_k_heap import select as model_select


def names(n):
    return [f"t{i}" for i in range(n)]


@pytest.mark.parametrize(
    "scores, k, higher, expected",
    [
        ([5, 3, 9, 1], 2, False, [(1, 3), (3, 1)]),
        ([4, 4, 4], 2, True, [(1, 4), (0, 4)]),
        ([2, 9, 7, 8], 3, True, [(2, 7), (1, 9), (3, 8)]),
        ([1, 5, 2, 6, 3], 3, False, [(4, 3), (0, 1), (2, 2)]),
    ],
)
def test_worked_examples(hooks, scores, k, higher, expected):
    targets = names(len(scores))
    got = hooks.select_top_k(scores, targets, k, higher)
    assert got == [(targets[i], s, i) for i, s in expected]
    got_float = hooks.select_top_k_float([float(s) for s in scores], targets, k, higher)
    assert got_float == [(targets[i], float(s), i) for i, s in expected]
    assert all(type(e[1]) is float for e in got_float)


@pytest.mark.parametrize("n, k", [(0, 0), (0, 3), (4, 0), (3, 3), (3, 10)])
def test_degenerate_sizes(hooks, n, k):
    scores = [7, 1, 4][:n] + [0] * max(0, n - 3)
    targets = names(n)
    expected = [] if k == 0 or n == 0 else [(targets[i], scores[i], i) for i in range(n)]
    assert hooks.select_top_k(scores, targets, k, False) == expected


def test_targets_keep_identity_even_unhashable(hooks):
    targets = [[1], {"a": 2}, [3], bytearray(b"x")]
    got = hooks.select_top_k([3, 1, 2, 0], targets, 2, False)
    assert [e[0] is targets[e[2]] for e in got] == [True, True]


def test_extreme_int_scores(hooks):
    scores = [2**63 - 1, -(2**63), 0]
    assert hooks.select_top_k(scores, names(3), 1, True) == [("t0", 2**63 - 1, 0)]
    assert hooks.select_top_k(scores, names(3), 1, False) == [("t1", -(2**63), 1)]


def test_nan_never_blocks_better_targets(hooks):
    nan = float("nan")
    got = hooks.select_top_k_float([nan, 0.2, nan, 0.9, 0.5], names(5), 2, True)
    assert [(e[2], e[1]) for e in got] == [(4, 0.5), (3, 0.9)]
    got = hooks.select_top_k_float([nan, 3.0, 1.0], names(3), 1, False)
    assert [(e[2], e[1]) for e in got] == [(2, 1.0)]
    # NaNs tie with each other: the later one never enters, and the build
    # orders equal entries as it does equal numbers.
    got = hooks.select_top_k_float([nan, nan, nan], names(3), 2, True)
    assert [e[2] for e in got] == [1, 0] and all(math.isnan(e[1]) for e in got)


@pytest.mark.parametrize("higher", [False, True])
def test_matches_heap_model_on_random_inputs(hooks, higher):
    rng = random.Random(1234 + higher)
    for _ in range(300):
        n = rng.randrange(0, 40)
        k = rng.randrange(0, n + 3)
        scores = [rng.randrange(-5, 6) for _ in range(n)]  # many ties
        targets = names(n)
        assert hooks.select_top_k(scores, targets, k, higher) == model_select(scores, targets, k, higher)
        fscores = [rng.choice([float("nan"), rng.random(), 0.5]) for _ in range(n)]
        got = hooks.select_top_k_float(fscores, targets, k, higher)
        want = model_select(fscores, targets, k, higher)
        assert [(t, i) for t, _, i in got] == [(t, i) for t, _, i in want]


def test_kept_entries_are_the_k_best(hooks):
    rng = random.Random(5)
    for _ in range(100):
        n = rng.randrange(1, 60)
        k = rng.randrange(1, n + 1)
        scores = [rng.randrange(0, 1000) for _ in range(n)]
        got = hooks.select_top_k(scores, names(n), k, False)
        assert sorted(e[1] for e in got) == sorted(scores)[:k]
