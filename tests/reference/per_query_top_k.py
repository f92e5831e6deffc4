"""Plain model of the per-query top-k search (cdist_top_k_one_query).

Per target, in order: its length bound u; u <= 0 skips it; with pruning, a
full heap skips it when u does not beat the root; otherwise its score (taken
from `scores`, the scorer's batch numbers) is pushed while the heap has room
and replaces the root when strictly better once it is full. The kept entries
are then sorted best first, NaN last.

The bounds are each scorer's own float formula at its best case for the two
lengths, written out here as the library computes them.
"""

import math

from reference.edit_distances import fused_multiply_add, length_similarity, max_length_similarity
from reference.top_k_heap import Heap

SIMILARITY_IDS = (1, 3, 5, 6, 7, 9, 11)


def _jaro_bound(lq, lt):
    if lq == 0 or lt == 0:
        return 1.0 if lq == lt else 0.0
    m = min(lq, lt)
    return ((m / lq + m / lt) + m / m) / 3


def length_bound(scorer, lq, lt, prefix_weight=0.1, prefix_cap=4):
    """The most scorer `scorer` can give a pair of lengths lq and lt."""
    short, long_ = min(lq, lt), max(lq, lt)
    if scorer in (1, 3, 11):
        return max_length_similarity(long_ - short, lq, lt)
    if scorer == 5:
        return 1.0 if lq == lt else 0.0
    if scorer == 9:
        return length_similarity(lq + lt - 2 * short, lq + lt)
    if scorer == 6:
        return _jaro_bound(lq, lt)
    if scorer == 7:
        if lq == 0 or lt == 0:
            return 1.0 if lq == lt else 0.0
        jb = _jaro_bound(lq, lt)
        scale = min(prefix_cap, short) * prefix_weight
        if math.isnan(scale) or math.isinf(scale):
            return scale * (1.0 - jb) + jb
        return fused_multiply_add(scale, 1.0 - jb, jb)
    raise ValueError(scorer)


def search(scorer, lq, target_lengths, scores, k, pruning, prefix_weight=0.1, prefix_cap=4):
    """[(score, index)] best first; `scores[i]` is target i's score. Also
    returns the indices that were scored."""
    heap = Heap(True)
    scored = []
    if k == 0:
        return [], scored
    for i, lt in enumerate(target_lengths):
        u = length_bound(scorer, lq, lt, prefix_weight, prefix_cap)
        if u <= 0:
            continue
        full = len(heap.slots) == k
        if pruning and full and u <= heap.slots[0][0]:
            continue
        scored.append(i)
        entry = (scores[i], i)
        if not full:
            heap.push(entry)
        else:
            heap.offer(entry)
    nan_last = sorted(heap.slots, key=lambda e: (math.isnan(e[0]), -e[0] if not math.isnan(e[0]) else 0))
    return nan_last, scored
