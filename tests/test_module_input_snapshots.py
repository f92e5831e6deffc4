"""What a call holds of its inputs: one snapshot of the targets, and each
input read once.

Python code runs in the middle of a call (an item's __hash__, a target's
__iter__ or __len__, a buffer exporter). When that code edits the caller's
`targets` list, the call still answers for the targets as they were passed.
A batch's query is read once into one version (a list into a tuple of its
items, an array into a copy of its elements) that every target meets, so
code that edits the query under the call changes nothing either. A one-shot
input (a generator, an iterator, any iterable that is not a sequence) is
read exactly once per call, so it answers what the same items in a list
answer.
"""

import collections
import random
import signal
import time

import numpy as np
import pytest

from veltrocamber import _swar as sw


# ---------------------------------------------------------------------------
# Targets edited under the call
# ---------------------------------------------------------------------------


def clear(victim):
    victim.clear()


def shrink(victim):
    del victim[1:]


def replace(victim):
    victim[:] = [["z", "z"]] * 3


class Calm:
    """An item equal only to itself, with the meddler's hash."""

    def __hash__(self):
        return 1

    def __eq__(self, other):
        return self is other


class HashMeddler(Calm):
    """Edits the caller's list from inside its __hash__."""

    def __init__(self, victim, edit):
        self.victim, self.edit = victim, edit

    def __hash__(self):
        self.edit(self.victim)
        return 1


class IterMeddler:
    """A target that is an iterable, not a sequence, and edits the caller's
    list when it is iterated or measured."""

    def __init__(self, victim, edit, dunder):
        self.victim, self.edit, self.dunder = victim, edit, dunder

    def __iter__(self):
        if self.dunder == "__iter__":
            self.edit(self.victim)
        return iter("ab")

    def __len__(self):
        if self.dunder == "__len__":
            self.edit(self.victim)
        return 2


# (how the meddling target is made from the caller's list, its calm twin)
MEDDLERS = {
    "hash-clear": (lambda v: [HashMeddler(v, clear), "b"], lambda: [Calm(), "b"]),
    "hash-shrink": (lambda v: [HashMeddler(v, shrink), "b"], lambda: [Calm(), "b"]),
    "hash-replace": (lambda v: [HashMeddler(v, replace), "b"], lambda: [Calm(), "b"]),
    "iter-clear": (lambda v: IterMeddler(v, clear, "__iter__"), lambda: ("a", "b")),
    "len-shrink": (lambda v: IterMeddler(v, shrink, "__len__"), lambda: ("a", "b")),
}

AFFINE = dict(gap_open_score=-3, gap_extend_score=-1)

# Every batch and top-k function over sequences of targets, with keywords.
BATCHES = [
    ("levenshtein_scores", {}),
    ("levenshtein_normalized_scores", {}),
    ("damerau_levenshtein_scores", {}),
    ("damerau_levenshtein_normalized_scores", {}),
    ("hamming_scores", {}),
    ("hamming_normalized_scores", {}),
    ("indel_scores", {}),
    ("indel_normalized_scores", {}),
    ("true_damerau_levenshtein_scores", {}),
    ("true_damerau_levenshtein_normalized_scores", {}),
    ("jaro_similarities", {}),
    ("jaro_winkler_similarities", {}),
    ("smith_waterman_scores", {}),
    ("smith_waterman_scores", AFFINE),
    ("needleman_wunsch_scores", {}),
    ("needleman_wunsch_scores", AFFINE),
    ("smith_waterman_top_k", dict(k=3)),
    ("smith_waterman_top_k", dict(k=3, **AFFINE)),
    *[(f"{metric}_top_k", dict(k=3)) for metric in (
        "levenshtein", "levenshtein_normalized", "damerau_levenshtein", "damerau_levenshtein_normalized",
        "hamming", "hamming_normalized", "indel", "indel_normalized", "true_damerau_levenshtein",
        "true_damerau_levenshtein_normalized", "jaro", "jaro_winkler")],
    *[("extract", dict(scorer=scorer, k=3)) for scorer in range(12)],
    *[("cdist_top_k_one_query", dict(scorer=scorer, k=3, pruning=pruning))
      for scorer in (1, 3, 5, 6, 7, 9, 11) for pruning in (False, True)],
    ("smith_waterman_farrar_scores", {}),
    ("smith_waterman_farrar_scores", AFFINE),
]


def batch_id(case):
    name, keywords = case
    return name + ("-affine" if "gap_open_score" in keywords else "") + "".join(
        f"-{key}{value}" for key, value in keywords.items() if key in ("scorer", "pruning"))


def comparable(result, targets):
    """A batch answer as plain values; a top-k entry's target must be the
    very object that was passed at its index (a per-query entry's, one of
    the objects passed)."""
    if isinstance(result, list) and result and len(result[0]) == 2:
        assert all(any(target is t for t in targets) for _, target in result)
        return [(score, next(i for i, t in enumerate(targets) if t is target)) for score, target in result]
    if isinstance(result, list):
        assert all(entry[0] is targets[entry[2]] for entry in result)
        return [(score, index) for _, score, index in result]
    return result.tolist()


@pytest.mark.parametrize("meddler", list(MEDDLERS))
@pytest.mark.parametrize("query", [["a", "b"], "ab"], ids=["list-query", "str-query"])
@pytest.mark.parametrize("case", BATCHES, ids=batch_id)
def test_targets_edited_under_the_call(case, query, meddler):
    name, keywords = case
    make, twin = MEDDLERS[meddler]
    # Equal lengths throughout, for Hamming. With the str query the targets
    # before the meddler are read before any Python code runs.
    targets = []
    targets += ["ab", "ba"] * 5 + [make(targets)] + ["ab", "bb", "ab"] * 16 + ["zb"]
    passed = list(targets)
    calm = ["ab", "ba"] * 5 + [twin()] + ["ab", "bb", "ab"] * 16 + ["zb"]
    function = getattr(sw, name)
    want = comparable(function(query, calm, **keywords), calm)
    got = comparable(function(query, targets, **keywords), passed)
    assert got == want
    assert len(got) == (3 if "k" in keywords else 60)


@pytest.mark.parametrize(
    "name, keywords",
    [
        ("levenshtein_scores", {}),
        ("jaro_similarities", {}),
        ("indel_scores", {}),
        ("smith_waterman_scores", {}),
        ("smith_waterman_top_k", dict(k=3)),
        ("levenshtein_top_k", dict(k=3)),
        ("extract", dict(scorer=6, k=3)),
        ("cdist_top_k_one_query", dict(scorer=1, k=3)),
        ("smith_waterman_farrar_scores", {}),
    ],
)
def test_hash_that_clears_the_targets(name, keywords):
    # Once a crash: the batch loops and the top-k selection read the freed
    # items of the cleared list.
    targets = []
    targets += [[HashMeddler(targets, clear), "b"]] + ["abc"] * 49
    passed = list(targets)
    calm = [[Calm(), "b"]] + ["abc"] * 49
    function = getattr(sw, name)
    got = comparable(function(["a"], targets, **keywords), passed)
    assert got == comparable(function(["a"], calm, **keywords), calm)
    assert targets == []


class BufferMeddler:
    """A target ndarray stand-in whose buffer export edits the caller's list."""

    def __init__(self, victim, samples):
        self.victim, self.samples = victim, samples

    def __buffer__(self, flags):
        self.victim.clear()
        return memoryview(self.samples)


def test_dtw_targets_edited_by_a_buffer_exporter():
    query = np.array([1.0, 2.0, 3.0])
    samples = [np.arange(float(n)) + 1 for n in range(1, 30)]
    targets = []
    targets += samples[:10] + [BufferMeddler(targets, samples[10])] + samples[11:]
    got = sw.dtw_distances(query, targets).tolist()
    assert got == sw.dtw_distances(query, samples).tolist()
    assert len(got) == 29 and targets == []


def run_with_alarm(call, handler, delay=0.02):
    """call() with `handler` run from SIGALRM `delay` seconds into the call;
    the test is skipped when the call ended before that."""
    fired = []

    def on_alarm(signum, frame):
        fired.append(True)
        handler()

    previous = signal.signal(signal.SIGALRM, on_alarm)
    try:
        signal.setitimer(signal.ITIMER_REAL, delay)
        try:
            result = call()
        finally:
            ended = bool(fired)
            signal.setitimer(signal.ITIMER_REAL, 0)
    finally:
        signal.signal(signal.SIGALRM, previous)
    if not ended:
        pytest.skip("the call ended before the timer")
    return result


@pytest.mark.parametrize(
    "name, length, count",
    [
        ("levenshtein_scores", 1000, 2000),  # the batch loop checks between targets
        ("true_damerau_levenshtein_scores", 2100, 8),  # the kernel checks inside each pair
    ],
)
def test_signal_handler_edits_targets(name, length, count):
    # A batch of exact str reads the caller's list in place, and its
    # interrupt checks run signal handlers, Python code that may edit that
    # list. A handler that resizes the list ends the call with RuntimeError;
    # one that replaces items in place is seen by the targets read after it.
    # Either way nothing dangles: the target in hand when the handler runs
    # stays alive, although the list held the only reference to it.
    rng = random.Random(5)
    query = "".join(rng.choice("ab") for _ in range(length))
    target = "".join(rng.choice("ab") for _ in range(length))
    other = "".join(rng.choice("ab") for _ in range(length))
    function = getattr(sw, name)
    want, want_other = function(query, [target, other]).tolist()
    litter = []

    def clear_and_litter():
        targets.clear()
        litter.append([None] * count)  # likely where the list's storage was

    targets = [target[:1] + target[1:] for _ in range(count)]
    with pytest.raises(RuntimeError, match="^targets changed during the call$"):
        run_with_alarm(lambda: function(query, targets), clear_and_litter)
    assert targets == []

    def replace_in_place():
        targets[:] = [other] * count

    targets = [target[:1] + target[1:] for _ in range(count)]
    got = run_with_alarm(lambda: function(query, targets), replace_in_place).tolist()
    assert len(got) == count and set(got) <= {want, want_other}
    assert got[0] == want


def edited_by_signal(call, edit):
    """call() under a timer that fires every millisecond until its handler
    has run `edit` once (the handler disarms it); returns what call()
    returns, once `edit` has run, during the call or after it."""
    edited = []

    def on_alarm(signum, frame):
        signal.setitimer(signal.ITIMER_REAL, 0)
        if not edited:
            edited.append(True)
            edit()

    previous = signal.signal(signal.SIGALRM, on_alarm)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.001, 0.001)
        try:
            return call()
        finally:
            while not edited:  # the call may end before the first tick
                time.sleep(0.001)
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)


# Scorer ids in order, and how many targets of 300 symbols keep each one's
# calls busy for several milliseconds: long enough for a timer that fires
# every millisecond to meet an interrupt check, every few million cells.
SCORER_NAMES = (
    "levenshtein", "levenshtein_normalized", "damerau_levenshtein", "damerau_levenshtein_normalized", "hamming",
    "hamming_normalized", "jaro", "jaro_winkler", "indel", "indel_normalized", "true_damerau_levenshtein",
    "true_damerau_levenshtein_normalized")
BUSY_COUNTS = (1000, 1000, 1000, 1000, 300_000, 300_000, 3000, 2000, 3000, 2000, 100, 100)

# The functions that list targets: (name, keywords, how many targets, whether
# it reads a list of exact str in place until its first interrupt check).
LISTING_CALLS = [
    *[(f"{name}_top_k", dict(k=3), count, False) for name, count in zip(SCORER_NAMES, BUSY_COUNTS)],
    *[("extract", dict(scorer=scorer, k=3), BUSY_COUNTS[scorer], False) for scorer in (0, 4, 6, 9, 11)],
    ("smith_waterman_top_k", dict(k=3), 100, False),
    *[("cdist_top_k_one_query", dict(scorer=scorer, k=3, pruning=pruning), BUSY_COUNTS[scorer], True)
      for scorer in (1, 3, 5, 6, 7, 9, 11) for pruning in (False, True)],
]


def listing_id(case):
    name, keywords, _, _ = case
    return name + "".join(f"-{key}{value}" for key, value in keywords.items() if key in ("scorer", "pruning"))


def answer_values(result):
    """A listing result as plain values, with each target's text."""
    if result and len(result[0]) == 2:
        return [(score, str(target)) for score, target in result]
    return [(str(target), score, index) for target, score, index in result]


# How a signal handler edits the targets in place (the list keeps its size).
LISTING_EDITS = {
    # Every target replaced by one that scores worse than any of them.
    "replace-all": lambda targets: targets.__setitem__(slice(None), ["z" * 300] * len(targets)),
    # The first target, which every answer keeps, replaced by an equal str.
    "replace-first-by-equal": lambda targets: targets.__setitem__(0, targets[0][:1] + targets[0][1:]),
    # The first target freed, and a new one of its size put in its place.
    "delete-and-insert": lambda targets: (targets.__delitem__(0), targets.insert(0, "abcd" * 74 + "abce")),
}


# A function that holds its snapshot first never reads the list again, so
# one edit shows it; the in-place reader meets each.
LISTING_CASES = [
    pytest.param(case, edit, id=f"{listing_id(case)}-{edit}")
    for case in LISTING_CALLS for edit in LISTING_EDITS if case[3] or edit == "replace-all"]


@pytest.mark.parametrize("case, edit", LISTING_CASES)
def test_signal_handler_replaces_listed_targets(case, edit):
    # A timer fires every millisecond until its handler has run once; the
    # handler edits the targets in place. Every function answers for the
    # targets as passed: the top-k functions hold their snapshot before they
    # score, and the per-query search over exact str, which reads the list
    # in place, holds it at its first interrupt check, before the handler
    # runs. Never a target listed with the score of another. The targets
    # are distinct objects that only the list holds, so the edits free them.
    name, keywords, count, _ = case
    function = getattr(sw, name)
    query = "abdc" * 75
    distinct = [("abcd" * 75)[:1] + ("abcd" * 75)[1:] for _ in range(min(count, 1000))]
    targets = [distinct[i % len(distinct)] for i in range(count)]
    del distinct
    want = answer_values(function(query, targets, **keywords))
    got = answer_values(edited_by_signal(lambda: function(query, targets, **keywords),
                                         lambda: LISTING_EDITS[edit](targets)))
    assert got == want
    assert len(targets) == count


# How a signal handler edits the targets of a per-query search under way
# (all of them "zzzz" * 75, the query "abcd" * 75): the first target, scored
# and dropped, replaced by the query itself and the last, not yet read, by a
# near copy of it; the list cleared; the list grown by copies of the query.
PER_QUERY_EDITS = {
    "replace-scored-and-unread": lambda query, targets: (
        targets.__setitem__(0, query), targets.__setitem__(-1, "abcd" * 70 + "zzzz" * 5)),
    "clear": lambda query, targets: targets.clear(),
    "grow": lambda query, targets: targets.extend([query] * 10),
}


@pytest.mark.parametrize("edit", list(PER_QUERY_EDITS))
@pytest.mark.parametrize("pruning", [False, True])
def test_per_query_search_answers_for_the_targets_as_passed(pruning, edit):
    # The search reads a list of exact str in place. It once checked only
    # its kept targets against the list at the end, and listed 0.933 for the
    # first edit, where the list as passed answers 0.0 and the list as left
    # 1.0. The list is now held at the first interrupt check, before any
    # handler runs: the answer is the list's as passed, whatever the edit.
    query = "abcd" * 75
    targets = ["zzzz" * 75] * 3000
    got = run_with_alarm(lambda: sw.cdist_top_k_one_query(query, targets, scorer=1, k=1, pruning=pruning),
                         lambda: PER_QUERY_EDITS[edit](query, targets), delay=0.002)
    assert got == [(0.0, "zzzz" * 75)]


@pytest.mark.parametrize("name", ["indel_normalized_scores", "true_damerau_levenshtein_normalized_scores"])
def test_signal_handler_replaces_targets_of_a_batch_normalised_by_len(name):
    # A batch reads the list in place and sees a replacement by the targets
    # read after it; each target is measured while it is in hand, so no
    # score divides one object's distance by another's length.
    function = getattr(sw, name)
    query, old, new = "abdc" * 75, "abcd" * 75, "zzzz"
    count = BUSY_COUNTS[SCORER_NAMES.index(name[:-len("_scores")])]
    targets = [old[:1] + old[1:] for _ in range(count)]
    want_old, want_new = function(query, [old, new]).tolist()
    got = edited_by_signal(lambda: function(query, targets),
                           lambda: targets.__setitem__(slice(None), [new] * count)).tolist()
    assert len(got) == count and set(got) <= {want_old, want_new}
    assert got[0] == want_old


def test_path_rows_and_operations_come_from_one_reading():
    # The query's first item edits the query list while it is hashed; the
    # rows and the operations both describe the items as they were passed.
    class Edits(Calm):
        def __init__(self, victim):
            self.victim = victim

        def __hash__(self):
            self.victim[:] = ["x"] * 9
            return 1

    for gaps in ({}, AFFINE):
        for path in (sw.needleman_wunsch_path, sw.smith_waterman_path):
            query = []
            first = Edits(query)
            query += [first, "C", "G", "T"]
            result = path(query, list("ACGT"), **gaps)
            twin = path([Calm(), "C", "G", "T"], list("ACGT"), **gaps)
            assert (result.score, result.operations, result.query_end, result.target_end) == (
                twin.score, twin.operations, twin.query_end, twin.target_end)
            if path is sw.needleman_wunsch_path:
                assert result.operations == "X===" and result.aligned_query[0] is first
            else:
                assert result.operations == "===" and result.aligned_query == ("C", "G", "T")


# ---------------------------------------------------------------------------
# The query edited under the call
# ---------------------------------------------------------------------------


class QueryMeddler(Calm):
    """A target's item whose __hash__ edits the caller's query, which input
    preparation runs for every pair that reaches the item."""

    def __init__(self, query, edit):
        self.query, self.edit = query, edit

    def __hash__(self):
        self.edit(self.query)
        return 1


QUERY_EDITS = {
    "replace": lambda query: query.__setitem__(slice(None), ["z", "z"]),
    "shrink": lambda query: query.__delitem__(slice(1, None)),
    "grow": lambda query: query.extend(["a", "b", "c"]),
}
# A list is taken at once, another sequence type at its first reading.
QUERY_KINDS = {"list": list, "UserList": collections.UserList}


@pytest.mark.parametrize("edit", list(QUERY_EDITS))
@pytest.mark.parametrize("kind", list(QUERY_KINDS))
@pytest.mark.parametrize("case", BATCHES, ids=batch_id)
def test_query_edited_under_the_call(case, kind, edit):
    # Once every target after the meddler met the edited query: a batch
    # answered for two queries, a top-k function for neither.
    name, keywords = case
    function = getattr(sw, name)
    query = QUERY_KINDS[kind](["a", "b"])
    targets = ["ab", "ba"] * 5 + [[QueryMeddler(query, QUERY_EDITS[edit]), "b"]] + ["ab", "bb", "ab"] * 16 + ["zb"]
    calm = ["ab", "ba"] * 5 + [[Calm(), "b"]] + ["ab", "bb", "ab"] * 16 + ["zb"]
    want = comparable(function(["a", "b"], calm, **keywords), calm)
    got = comparable(function(query, targets, **keywords), targets)
    assert got == want
    assert list(query) != ["a", "b"] or keywords.get("pruning")  # pruning may skip the meddler


# (name, keywords, how many targets of 300 tokens keep the call busy for
# several milliseconds)
QUERY_SIGNAL_CASES = [
    ("levenshtein_top_k", dict(k=1), 2000),
    ("levenshtein_scores", {}, 2000),
    ("indel_normalized_scores", {}, 2000),
    ("extract", dict(scorer=9, k=1), 2000),
    *[("cdist_top_k_one_query", dict(scorer=scorer, k=1, pruning=pruning), 2000)
      for scorer in (1, 9) for pruning in (False, True)],
    ("smith_waterman_scores", {}, 200),
    ("smith_waterman_top_k", dict(k=1, **AFFINE), 200),
]


@pytest.mark.parametrize("name, keywords, count", QUERY_SIGNAL_CASES,
                         ids=[listing_id((*case, None)) for case in QUERY_SIGNAL_CASES])
def test_signal_handler_edits_a_list_query(name, keywords, count):
    # A handler run by an interrupt check between two targets rewrites the
    # query list; the call still answers for the query as passed. The list
    # was once read again for each target: a top-k function kept a target
    # that is best for neither query.
    function = getattr(sw, name)
    query = ["a"] * 300
    targets = [["b"] * 300] + [["c"] * 300] * count + [["a"] * 300, ["a", "b"] * 150]
    want = function(["a"] * 300, targets, **keywords)
    got = edited_by_signal(lambda: function(query, targets, **keywords),
                           lambda: query.__setitem__(slice(None), ["b"] * 200))
    if isinstance(want, np.ndarray):
        want, got = want.tolist(), got.tolist()
    assert got == want
    assert query == ["b"] * 200


# The alignment batches that take NumPy arrays (affine gaps; the striped
# local score with any gaps).
ARRAY_BATCHES = [
    ("smith_waterman_scores", AFFINE),
    ("needleman_wunsch_scores", AFFINE),
    ("smith_waterman_top_k", dict(k=3, **AFFINE)),
    ("smith_waterman_farrar_scores", {}),
    ("smith_waterman_farrar_scores", AFFINE),
]
ARRAY_PAIRS = {
    "smith_waterman_scores": "smith_waterman_score",
    "needleman_wunsch_scores": "needleman_wunsch_score",
    "smith_waterman_top_k": "smith_waterman_score",
    "smith_waterman_farrar_scores": "smith_waterman_farrar_score",
}


class WritingExporter:
    """A target whose buffer export writes into the caller's query array."""

    def __init__(self, query, samples):
        self.query, self.samples = query, samples

    def __buffer__(self, flags):
        self.query[:] = self.query[::-1] + 7
        return memoryview(self.samples)


def array_answer(result):
    if isinstance(result, np.ndarray):
        return result.tolist()
    return [(score, index) for _, score, index in result]


@pytest.mark.parametrize("case", ARRAY_BATCHES, ids=batch_id)
def test_array_query_written_under_the_call(case):
    # The query array's elements are copied once per call: a write into it
    # between two targets (here by a target's buffer exporter) is not seen.
    name, keywords = case
    function = getattr(sw, name)
    rng = np.random.default_rng(7)
    samples = [rng.integers(0, 4, size=n).astype(np.int32) for n in range(20, 50)]
    query = np.array([0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2], dtype=np.int32)
    want = array_answer(function(query.copy(), samples, **keywords))
    targets = samples[:5] + [WritingExporter(query, samples[5])] + samples[6:]
    assert array_answer(function(query, targets, **keywords)) == want
    assert query.tolist() != [0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2]


class CountedExporter:
    """A query that counts its buffer exports."""

    def __init__(self, samples):
        self.samples, self.exports = samples, 0

    def __buffer__(self, flags):
        self.exports += 1
        return memoryview(self.samples)


DTYPES = ["int8", "uint8", "int16", "uint16", "float16", "int32", "uint32", "float32", "int64", "uint64", "float64"]


@pytest.mark.parametrize("dtype", DTYPES)
@pytest.mark.parametrize("case", ARRAY_BATCHES, ids=batch_id)
def test_array_query_exported_once_with_the_answers_of_its_pairs(case, dtype):
    # The copy keeps the element kind (int8 bytes as themselves, wider
    # integers by value, floats by bit pattern) and a C-contiguous array of
    # any shape is read flat: each target scores what the pair function
    # gives it.
    name, keywords = case
    function = getattr(sw, name)
    pair = getattr(sw, ARRAY_PAIRS[name])
    keywords_of_pair = {key: value for key, value in keywords.items() if key != "k"}
    rng = np.random.default_rng(11)
    values = np.array([0, 1, -1, 2, 0.5, -0.0, 0.0, 3], dtype=np.float64)
    flat = rng.choice(values, size=12).astype(dtype)
    targets = [rng.choice(values, size=n).astype(dtype) for n in (0, 5, 12, 17, 30)]
    want = [pair(flat, t, **keywords_of_pair) for t in targets]
    for query in (flat, flat.reshape(3, 4), CountedExporter(flat)):
        got = function(query, targets, **keywords)
        if isinstance(got, np.ndarray):
            assert got.tolist() == want
        else:  # the best three, each with its pair's score
            assert all(score == want[index] for _, score, index in got)
            assert sorted(score for _, score, _ in got) == sorted(want)[-3:]
    assert query.exports == 1


@pytest.mark.parametrize("query, message", [
    (np.array([1, 2, 3], dtype=">i4"), "^ndarray dtype is not supported for alignment"),
    (np.array([1, 2, 3, 4], dtype=np.int32)[::2], "^ndarray dtype is not supported for alignment"),
    (np.array(["a", "b"], dtype=object), "^ndarray dtype is not supported for alignment"),
])
def test_array_query_that_cannot_be_read_keeps_its_error(query, message):
    # An array whose buffer preparation cannot use is left to it, refused
    # with its own error.
    targets = [np.array([1, 2, 3], dtype=np.int32)]
    for name, keywords in ARRAY_BATCHES:
        with pytest.raises(TypeError, match=message):
            getattr(sw, name)(query, targets, **keywords)


def test_dtw_query_written_under_the_call():
    # The query's samples are copied once: a target's buffer exporter that
    # writes into the caller's array changes no distance.
    query = np.array([1.0, 2.0, 3.0, 2.0])
    samples = [np.arange(float(n)) + 1 for n in range(1, 30)]
    want = sw.dtw_distances(query.copy(), samples).tolist()
    targets = samples[:10] + [WritingExporter(query, samples[10])] + samples[11:]
    assert sw.dtw_distances(query, targets).tolist() == want
    assert query.tolist() != [1.0, 2.0, 3.0, 2.0]


# ---------------------------------------------------------------------------
# One-shot inputs
# ---------------------------------------------------------------------------


class Counted:
    """A re-iterable object that is not a sequence, counting its readings."""

    def __init__(self, items):
        self.items, self.readings = list(items), 0

    def __iter__(self):
        self.readings += 1
        return iter(self.items)


ONE_SHOT = {
    "generator": lambda items: (x for x in items),
    "iter": lambda items: iter(list(items)),
    "counted": Counted,
}


def answer(result):
    """A result as plain values, for comparison."""
    if isinstance(result, np.ndarray):
        return result.tolist()
    for fields in (
        ("score", "query_start", "query_end", "target_start", "target_end", "operations", "aligned_query",
         "aligned_target"),
        ("score", "query_start", "query_end", "target_start", "target_end", "operations", "cigar"),
    ):
        if all(hasattr(result, f) for f in fields):
            return tuple(getattr(result, f) for f in fields)
    return result


LINEAR_POSITIVE = dict(gap_score=1, match_score=2, mismatch_score=-3)
EDIT_QUERY, EDIT_TARGET, EDIT_TARGETS = list("kitten"), list("sitting"), [list("sitting"), "kitten", ["k"], []]
DNA_QUERY, DNA_TARGET = list("ACGTTGCA"), list("ACGTAGCA")
DNA_TARGETS = [DNA_TARGET, "ACGTTGCA", "TTTT", ""]

# (function, keywords, query, target or targets, True for a batch)
ONE_SHOT_CASES = [
    (name, {}, EDIT_QUERY, EDIT_TARGET, False)
    for name in ("levenshtein_score", "levenshtein_normalized_score", "damerau_levenshtein_score",
                 "damerau_levenshtein_normalized_score", "indel_score", "true_damerau_levenshtein_score",
                 "jaro_similarity", "jaro_winkler_similarity")
] + [
    ("hamming_score", {}, list("kitten"), list("sitten"), False),
] + [
    (name, {}, EDIT_QUERY, EDIT_TARGETS, True)
    for name in ("levenshtein_scores", "levenshtein_normalized_scores", "damerau_levenshtein_scores",
                 "damerau_levenshtein_normalized_scores", "indel_scores", "indel_normalized_scores",
                 "true_damerau_levenshtein_scores", "true_damerau_levenshtein_normalized_scores",
                 "jaro_similarities", "jaro_winkler_similarities")
] + [
    (name, {}, list("kitten"), [list("sitten"), "kitten"], True)
    for name in ("hamming_scores", "hamming_normalized_scores")
] + [
    (name, gaps, DNA_QUERY, DNA_TARGET, False)
    for name in ("smith_waterman_score", "needleman_wunsch_score", "smith_waterman_path", "needleman_wunsch_path",
                 "smith_waterman_path_info", "needleman_wunsch_path_info", "smith_waterman_cigar",
                 "smith_waterman_trace_cigar", "_smith_waterman_cigar_digest", "smith_waterman_farrar_score")
    for gaps in ({}, AFFINE, LINEAR_POSITIVE)
] + [
    (name, gaps, DNA_QUERY, DNA_TARGETS, True)
    for name in ("smith_waterman_scores", "needleman_wunsch_scores", "smith_waterman_farrar_scores")
    for gaps in ({}, AFFINE, LINEAR_POSITIVE)
] + [
    ("smith_waterman_top_k", dict(k=2, **gaps), DNA_QUERY, DNA_TARGETS, True) for gaps in ({}, AFFINE)
] + [
    (f"{metric}_top_k", dict(k=2), EDIT_QUERY, EDIT_TARGETS, True)
    for metric in ("levenshtein", "levenshtein_normalized", "damerau_levenshtein", "damerau_levenshtein_normalized",
                   "indel", "indel_normalized", "true_damerau_levenshtein", "true_damerau_levenshtein_normalized",
                   "jaro", "jaro_winkler")
] + [
    (f"{metric}_top_k", dict(k=1), list("kitten"), [list("sitten"), "kitten"], True)
    for metric in ("hamming", "hamming_normalized")
] + [
    ("extract", dict(scorer=scorer, k=2), EDIT_QUERY, EDIT_TARGETS, True) for scorer in (0, 1, 6, 7, 9, 11)
]


def one_shot_id(case_side):
    (name, keywords, *_), side = case_side
    gaps = "-affine" if "gap_open_score" in keywords else "-positive" if "gap_score" in keywords else ""
    scorer = f"-scorer{keywords['scorer']}" if "scorer" in keywords else ""
    return f"{name}{gaps}{scorer}-{side}"


# The query of every case, and the target of every pair.
ONE_SHOT_SIDES = [(case, "query") for case in ONE_SHOT_CASES] + [
    (case, "target") for case in ONE_SHOT_CASES if not case[4]
]


@pytest.mark.parametrize("kind", list(ONE_SHOT))
@pytest.mark.parametrize("case_side", ONE_SHOT_SIDES, ids=one_shot_id)
def test_one_shot_input_is_read_once(case_side, kind):
    (name, keywords, query, other, _), side = case_side
    function = getattr(sw, name)
    plain = (query, other)
    once = ONE_SHOT[kind](plain[side == "target"])
    given = (once, other) if side == "query" else (query, once)
    assert answer(function(*given, **keywords)) == answer(function(*plain, **keywords))
    if kind == "counted":
        assert once.readings == 1


@pytest.mark.parametrize(
    "name, measured",
    [
        ("hamming_normalized_score", ["query"]),
        ("indel_normalized_score", ["query", "target"]),
        ("true_damerau_levenshtein_normalized_score", ["query", "target"]),
    ],
)
@pytest.mark.parametrize("kind", ["generator", "iter"])
def test_normalised_by_len_needs_a_length(name, measured, kind):
    # These similarities divide by len() of the inputs they measure (Hamming
    # by the query's alone), which a one-shot iterator does not have: a
    # TypeError that names the function and the input.
    function = getattr(sw, name)
    lengthless = " must have a length \\(a str, bytes or sequence\\), not " + {
        "generator": "generator", "iter": "list_iterator"}[kind]
    with pytest.raises(TypeError, match=f"^{name}: query{lengthless}$"):
        function(ONE_SHOT[kind]("kitten"), "sitten")
    if "target" in measured:
        with pytest.raises(TypeError, match=f"^{name}: target{lengthless}$"):
            function("kitten", ONE_SHOT[kind]("sitten"))
    else:
        assert function("kitten", ONE_SHOT[kind]("sitten")) == function("kitten", "sitten")


def test_per_query_search_reads_its_query_once():
    # The per-query search measures its query with len(), so a one-shot
    # query needs one to be taken at all; it is then read once for every
    # target.
    class Measured(Counted):
        def __len__(self):
            return len(self.items)

    targets = ["kitten", list("sitten"), "mitten", list("kitchen")]
    for scorer in (1, 3, 5, 6, 7, 9, 11):
        query = Measured("kitten")
        got = sw.cdist_top_k_one_query(query, targets, scorer=scorer, k=3)
        assert got == sw.cdist_top_k_one_query(list("kitten"), targets, scorer=scorer, k=3)
        assert query.readings == 1


def test_alignment_batches_regression():
    assert sw.smith_waterman_scores(iter("ACGT"), ["ACGT", "ACGT"]).tolist() == [8, 8]
    assert sw.needleman_wunsch_scores(iter("ACGT"), ["ACGT", "ACGT"]).tolist() == [8, 8]
    assert sw.needleman_wunsch_scores(iter("ACGT"), ["ACGT", "ACGT"], **AFFINE).tolist() == [8, 8]
    assert [s for _, s, _ in sw.smith_waterman_top_k(iter("ACGT"), ["ACGT", "ACGT"], k=2)] == [8, 8]
    for gaps in ({}, AFFINE):
        assert sw.smith_waterman_path(iter("ACGT"), list("ACGT"), **gaps).score == 8
        result = sw.needleman_wunsch_path(iter("ACGT"), list("ACGT"), **gaps)
        assert (result.score, result.operations) == (8, "====")
        assert sw.needleman_wunsch_path_info(iter("ACGT"), list("ACGT"), **gaps).cigar == "4="


def test_a_non_iterable_query_keeps_its_errors():
    # Only iterables are taken ahead of preparation: anything else reaches it
    # unchanged and is refused in its usual order.
    message = "^query must be bytes, str, or a sequence of immutable hashable objects$"
    with pytest.raises(TypeError, match=message):
        sw.smith_waterman_scores(5, ["ACGT"])
    with pytest.raises(TypeError, match=message):
        sw.levenshtein_scores(5, ["ACGT"])
    with pytest.raises(TypeError, match="^ndarray inputs are only supported on the score-only path"):
        sw.smith_waterman_scores(5, [bytearray(b"AC")])
    assert sw.smith_waterman_scores(iter("AC"), []).tolist() == []
