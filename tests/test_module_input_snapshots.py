"""What a call holds of its inputs: one snapshot of the targets.

Python code runs in the middle of a call (an item's __hash__, a target's
__iter__ or __len__, a buffer exporter). When that code edits the caller's
`targets` list, the call still answers for the targets as they were passed.
"""

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
]


def batch_id(case):
    name, keywords = case
    return name + ("-affine" if "gap_open_score" in keywords else "")


def comparable(result, targets):
    """A batch answer as plain values; a top-k entry's target must be the
    very object that was passed at its index."""
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
    # Equal lengths throughout, for Hamming; the meddler sits after targets
    # that are read before any Python code runs.
    targets = []
    targets += ["ab", "ba"] * 5 + [make(targets)] + ["ab", "bb", "ab"] * 16 + ["zb"]
    passed = list(targets)
    calm = ["ab", "ba"] * 5 + [twin()] + ["ab", "bb", "ab"] * 16 + ["zb"]
    function = getattr(sw, name)
    want = comparable(function(query, calm, **keywords), calm)
    got = comparable(function(query, targets, **keywords), passed)
    assert got == want
    assert len(got) == (3 if name.endswith("top_k") else 60)


@pytest.mark.parametrize(
    "name, keywords",
    [
        ("levenshtein_scores", {}),
        ("jaro_similarities", {}),
        ("indel_scores", {}),
        ("smith_waterman_scores", {}),
        ("smith_waterman_top_k", dict(k=3)),
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
