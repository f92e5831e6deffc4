"""cdist_top_k_one_query: the per-query top-k search with length bounds.

The search is checked against a plain model of its bounds and its
push-as-you-go heap, run on the scores of the batch function of each scorer
(reference/per_query_top_k.py): the same (score, target) entries, best
first. Pruning must never change an answer, since every bound is an upper
bound of its scorer to the last bit.
"""

import math
import random

import numpy as np
import pytest

import veltrocamber
from veltrocamber import _swar as sw
from reference.edit_distances import random_pair, same_length_variant
from reference.per_query_top_k import SIMILARITY_IDS, length_bound, search as model_search

# The TypeError of an input without a length, after "<function>: <input>".
LENGTHLESS = " must have a length \\(a str, bytes or sequence\\), not "

BATCH = {
    1: "levenshtein_normalized_scores",
    3: "damerau_levenshtein_normalized_scores",
    5: "hamming_normalized_scores",
    6: "jaro_similarities",
    7: "jaro_winkler_similarities",
    9: "indel_normalized_scores",
    11: "true_damerau_levenshtein_normalized_scores",
}
JW_KEYWORDS = ("prefix_weight", "prefix_threshold", "prefix_cap")


def query_top_k(query, targets, scorer, k, **keywords):
    return sw.cdist_top_k_one_query(query, targets, scorer=scorer, k=k, **keywords)


def batch_scores(scorer, query, targets, **keywords):
    """The scorer's batch numbers; NaN for a pair the batch cannot score
    (Hamming of unequal lengths), which the search never scores either."""
    fn = getattr(sw, BATCH[scorer])
    jw = {key: keywords[key] for key in JW_KEYWORDS if key in keywords and scorer == 7}
    if scorer != 5:
        return fn(query, targets, **jw).tolist()
    return [fn(query, [t]).tolist()[0] if len(t) == len(query) else math.nan for t in targets]


def model(scorer, query, targets, k, pruning=False, **keywords):
    scores = batch_scores(scorer, query, targets, **keywords)
    entries, scored = model_search(scorer, len(query), [len(t) for t in targets], scores, k, pruning,
                                   keywords.get("prefix_weight", 0.1), keywords.get("prefix_cap", 4))
    return [(s, targets[i]) for s, i in entries], scored


def same_entries(got, want):
    """Equal scores may come in any order: compare the scores in order and
    the (score, target identity) pairs as sets."""
    def key(entries):
        return sorted((("nan" if math.isnan(s) else s), id(t)) for s, t in entries)

    got_scores = ["nan" if math.isnan(s) else s for s, _ in got]
    want_scores = ["nan" if math.isnan(s) else s for s, _ in want]
    return got_scores == want_scores and key(got) == key(want)


def random_targets(rng, kind, count):
    """A query and `count` targets, some repeated (ties), a few of the
    query's length (Hamming scores no other)."""
    query, _ = random_pair(rng, kind, longest=70)
    targets = []
    while len(targets) < count:
        if targets and rng.random() < 0.2:
            targets.append(rng.choice(targets))
        elif rng.random() < 0.2:
            targets.append(same_length_variant(rng, query))
        else:
            targets.append(random_pair(rng, kind, longest=70)[1])
    return query, targets


# ---------------------------------------------------------------------------
# Against the model
# ---------------------------------------------------------------------------


@pytest.mark.parametrize("kind", ["bytes", "str1", "str2", "mixed", "objects"])
@pytest.mark.parametrize("scorer", SIMILARITY_IDS)
def test_matches_the_model_and_pruning_changes_nothing(scorer, kind):
    rng = random.Random(f"{scorer}-{kind}")
    for _ in range(8):
        query, targets = random_targets(rng, kind, 24)
        for k in (1, 2, 5, 30):
            off = query_top_k(query, targets, scorer, k)
            on = query_top_k(query, targets, scorer, k, pruning=True)
            assert on == off
            want, _ = model(scorer, query, targets, k)
            assert same_entries(off, want)
            assert all(type(s) is float for s, _ in off)


PERFECT_FIRST = ["abcdefgh", "abcdefgh", "abcdefgx", "abcdefg", "abcd"]  # a full heap of perfect scores
FALLING = ["abcdefgh", "abcdefg", "abcdef", "abcde", "abcd", "abcdefgh"]  # bounds falling with the length


@pytest.mark.parametrize("scorer, targets", [
    (scorer, targets) for scorer in SIMILARITY_IDS for targets in (PERFECT_FIRST, FALLING)
    if scorer != 5 or targets is PERFECT_FIRST  # Hamming never scores other lengths
])
def test_pruning_skips_what_the_model_skips(scorer, targets):
    # A target whose scoring would raise shows which targets were scored.
    query = "abcdefgh"
    _, scored = model(scorer, query, targets, 2, pruning=True)
    _, scored_without_pruning = model(scorer, query, targets, 2)
    assert len(scored) < len(scored_without_pruning)
    poisoned = list(targets)
    for i in range(len(targets)):
        if i not in scored:
            poisoned[i] = Unscorable(len(targets[i]))
    assert query_top_k(query, poisoned, scorer, 2, pruning=True) == query_top_k(query, targets, scorer, 2)
    with pytest.raises(TypeError):
        query_top_k(query, poisoned, scorer, 2)


class Unscorable:
    """Has a length, but input preparation refuses it."""

    def __init__(self, n):
        self.n = n

    def __len__(self):
        return self.n


JW_SETTINGS = [
    dict(prefix_weight=w, prefix_cap=cap, prefix_threshold=t)
    for w, cap in ((0.1, 4), (0.25, 4), (0.0, 4), (1 / 3, 3), (0.5, 2), (1.0, 1), (0.05, 10))
    for t in (0.7, 0.0, 0.3)
]


@pytest.mark.parametrize("keywords", JW_SETTINGS, ids=str)
def test_jaro_winkler_pruning_is_exact_for_weights_up_to_one_over_the_cap(keywords):
    rng = random.Random(str(keywords))
    for _ in range(10):
        query, targets = random_targets(rng, rng.choice(["str1", "objects"]), 30)
        for k in (1, 3, 10):
            off = query_top_k(query, targets, 7, k, **keywords)
            assert query_top_k(query, targets, 7, k, pruning=True, **keywords) == off
            want, _ = model(7, query, targets, k, **keywords)
            assert same_entries(off, want)


@pytest.mark.parametrize("lq", [0, 1, 2, 3, 5, 8, 13, 64, 65, 200])
def test_no_pair_scores_above_its_bound(lq):
    # Every length of target against the bound the model computes: the
    # batch numbers never exceed it.
    rng = random.Random(lq)
    query = "".join(rng.choice("ab") for _ in range(lq))
    targets = ["".join(rng.choice("ab") for _ in range(lt)) for lt in range(0, 80) for _ in range(3)]
    targets += [query, query[::-1]]
    for scorer in SIMILARITY_IDS:
        scores = batch_scores(scorer, query, targets, prefix_weight=0.25)
        for t, s in zip(targets, scores):
            if not math.isnan(s):
                assert s <= length_bound(scorer, len(query), len(t), prefix_weight=0.25), (scorer, query, t)


# ---------------------------------------------------------------------------
# Regressions and the skip rules
# ---------------------------------------------------------------------------


def test_pruning_agrees_on_a_jaro_tie_split_by_rounding():
    # (min / max + 2) / 3 is not the Jaro formula: rounded, it fell below the
    # Jaro score of "a", so pruning skipped the better target.
    want = [(0.7222222222222223, "a")]
    assert query_top_k("abcdef", ["badc", "a"], 6, 1, pruning=True) == want
    assert query_top_k("abcdef", ["badc", "a"], 6, 1) == want


def test_nan_scores_rank_last():
    nan = float("nan")
    got = query_top_k("abc", ["abd"] * 20 + ["xyz"] * 20, 7, 40, prefix_weight=nan)
    assert [s for s, _ in got[:20]] == [0.0] * 20 and [t for _, t in got[:20]] == ["xyz"] * 20
    assert all(math.isnan(s) for s, _ in got[20:]) and [t for _, t in got[20:]] == ["abd"] * 20
    # A heap full of NaN takes any number in place of its root.
    got = query_top_k("abc", ["abd"] * 3 + ["xyz", "abx"], 7, 2, prefix_weight=nan)
    assert got[0] == (0.0, "xyz") and math.isnan(got[1][0])
    for pruning in (False, True):
        got = query_top_k("abc", ["abd", "abd", "xyz", "xyy"], 7, 2, prefix_weight=nan, pruning=pruning)
        assert got == [(0.0, "xyz"), (0.0, "xyy")]


def test_length_of_a_one_shot_query():
    for one_shot, kind in (((c for c in "abc"), "generator"), (iter("abc"), "str_ascii_iterator")):
        with pytest.raises(TypeError, match=f"^cdist_top_k_one_query: query{LENGTHLESS}{kind}$"):
            query_top_k(one_shot, ["abc"], 1, 1)
    # No target or k = 0: the query is not measured.
    assert query_top_k((c for c in "abc"), [], 1, 1) == []
    assert query_top_k((c for c in "abc"), ["abc"], 1, 0) == []


@pytest.mark.parametrize("pruning", [False, True])
def test_skip_rules(pruning):
    run = lambda *a, **kw: query_top_k(*a, pruning=pruning, **kw)  # noqa: E731
    # Hamming: other lengths are left out, without the length ValueError.
    assert run("abc", ["abd", "ab", "abcd", "xyz"], 5, 5) == [(1 - 1 / 3, "abd"), (0.0, "xyz")]
    # An empty query scores only against an empty target (bound 0 otherwise).
    for scorer in SIMILARITY_IDS:
        assert run("", ["", "a"], scorer, 5) == [(1.0, "")]
        assert run("ab", ["", "ab"], scorer, 5) == [(1.0, "ab")]
    # A Jaro-Winkler bound at or below 0 (a negative weight) skips the pair
    # too, although its score would be listed.
    assert run("abc", ["ab", "abc"], 7, 5, prefix_weight=-10.0) == [(1.0, "abc")]
    assert sw.jaro_winkler_similarity("abc", "ab", prefix_weight=-10.0) < 0
    # A threshold above every score: plain Jaro.
    targets = ["martha", "marhta", "mrtha", "amrtha"]
    assert run("martha", targets, 7, 4, prefix_threshold=2.0) == run("martha", targets, 6, 4)


def test_ties_follow_the_pushed_heap_not_the_input_order():
    a, b, c = "abd", "xbc", "axc"  # each one edit from "abc"
    # A tie with the root does not enter.
    assert sorted(t for _, t in query_top_k("abc", [a, b, c], 1, 2)) == sorted([a, b])
    got = query_top_k("abc", ["zzz", a, b, c], 1, 2)
    assert sorted(t for _, t in got) == sorted([a, b])
    # But of two equal kept scores the root is the one evicted, and after
    # pushes that is the earlier one: "abzw" stays, where the top-k
    # functions, whose heap is built, keep "abxy".
    for pruning in (False, True):
        got = query_top_k("abcd", ["abxy", "abzw", "abcd"], 1, 2, pruning=pruning)
        assert got == [(1.0, "abcd"), (0.5, "abzw")]
        assert got == model(1, "abcd", ["abxy", "abzw", "abcd"], 2, pruning)[0]
    assert [t for t, _, _ in sw.levenshtein_normalized_top_k("abcd", ["abxy", "abzw", "abcd"], 2)] == ["abxy", "abcd"]


def test_results_sorted_best_first_with_scores_of_the_batch():
    rng = random.Random(3)
    query = "".join(rng.choice("abc") for _ in range(12))
    targets = ["".join(rng.choice("abc") for _ in range(rng.randrange(0, 20))) for _ in range(200)]
    for scorer in SIMILARITY_IDS:
        got = query_top_k(query, targets, scorer, 200)
        scores = [s for s, _ in got]
        assert scores == sorted(scores, reverse=True)
        batch = dict(zip(map(id, targets), batch_scores(scorer, query, targets)))
        assert all(batch[id(t)] == s for s, t in got)
        assert len(got) == sum(1 for t in targets if length_bound(scorer, len(query), len(t)) > 0)


def test_scorer_members_and_targets_kept():
    targets = [["k", "i", "t"], "kit", b"kit"]
    got = query_top_k("kit", targets, veltrocamber.Scorer.LEVENSHTEIN_NORMALIZED, 3)
    assert [s for s, _ in got] == [1.0, 1.0, 1.0]
    assert sorted(map(id, (t for _, t in got))) == sorted(map(id, targets))


# ---------------------------------------------------------------------------
# Errors, in their order
# ---------------------------------------------------------------------------

SCORER_MESSAGE = (
    "cdist_top_k_per_query: scorer must be a normalised-similarity scorer (LEVENSHTEIN_NORMALIZED, "
    "DAMERAU_LEVENSHTEIN_NORMALIZED, HAMMING_NORMALIZED, INDEL_NORMALIZED, TRUE_DAMERAU_LEVENSHTEIN_NORMALIZED, "
    "JARO, or JARO_WINKLER)"
)


@pytest.mark.parametrize("scorer", [0, 2, 4, 8, 10, 12, 99, -1, -(2**31), 2**31 - 1])
def test_scorer_must_be_a_similarity_before_the_targets_are_looked_at(scorer):
    for targets in (["abc"], "abc", 5):
        with pytest.raises(TypeError) as info:
            query_top_k("abc", targets, scorer, 1)
        assert str(info.value) == SCORER_MESSAGE


def test_targets_errors_then_empty_answers():
    with pytest.raises(TypeError, match="^targets must be an iterable of target sequences, not a single str/bytes$"):
        query_top_k("abc", b"abc", 1, 1)
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        query_top_k("abc", 5, 1, 1)
    # k = 0 or no target: nothing is read, not even a target that would fail.
    assert query_top_k("abc", [5], 1, 0) == []
    assert query_top_k("abc", iter([]), 1, 3) == []


@pytest.mark.parametrize("keywords", [
    dict(scorer=sw.levenshtein_normalized_scores, k=1),
    dict(scorer=2**31, k=1),
    dict(scorer=1),
    dict(scorer=1, k=-1),
    dict(scorer=1, k=1.0),
    dict(scorer=1, k=1, pruning=1),
    dict(scorer=1, k=1, pruning=None),
    dict(scorer=1, k=1, pruning=np.True_),
    dict(scorer=1, k=1, prefix_cap=-1),
    dict(scorer=1, k=1, prefix_weight="0.1"),
])
def test_conversion_errors_come_first(keywords):
    with pytest.raises(TypeError, match="incompatible function arguments"):
        sw.cdist_top_k_one_query("abc", "abc", **keywords)


@pytest.mark.parametrize("k", [2**63, 2**64 - 1, 2**50])
def test_room_for_k_is_taken_before_any_target(k):
    with pytest.raises(MemoryError, match=f"^cdist_top_k_one_query: no room for k = {k} candidates$"):
        query_top_k("abc", ["abc", 5], 1, k)


def test_scorer_errors_propagate():
    with pytest.raises(TypeError):
        query_top_k("abc", ["abc", 5], 1, 3)
    with pytest.raises(TypeError, match=f"^cdist_top_k_one_query: target at index 1{LENGTHLESS}generator$"):
        query_top_k("abc", ["abc", (c for c in "ab")], 1, 3)


def test_docstring():
    assert sw.cdist_top_k_one_query.__doc__.split("\n\n", 1)[1] == (
        "Top-k targets for one query.\n\nReturns ``list[(score, target)]`` sorted descending by score.\n"
        "Set ``pruning=True`` to enable adaptive length-difference\npruning: as targets are processed, the "
        "worst-in-heap score is\ntracked and targets whose closed-form length-based upper bound\non similarity "
        "can't beat it are skipped before the scoring\nkernel runs. Off by default (every pair is scored).\n\n"
        "Scorer must be a normalised-similarity scorer.")
