"""Plain models of top-k selection: a bounded heap, worst kept entry at the root.

The order of the result is the heap's array order, so the models perform the
same sift/lift moves. NaN ranks below every number.

Two ways of filling the heap:
- `select`: the first k scores at once, arranged by a heap build (the top-k
  functions and `extract`);
- `Heap.push`: entries pushed one by one as they come (the per-query search,
  modelled in per_query_top_k.py).
Both then replace the root by a strictly better entry.
"""

import math


def _better(a, b, higher):
    if isinstance(a, float) and math.isnan(a):
        return False
    if isinstance(b, float) and math.isnan(b):
        return True
    return a > b if higher else a < b


def _trunc_div(a, b):
    return int(a / b) if a < 0 else a // b


class Heap:
    """(score, index) slots; no parent is better than either child."""

    def __init__(self, higher, slots=()):
        self.higher = higher
        self.slots = list(slots)

    def better(self, x, y):
        return _better(x[0], y[0], self.higher)

    def lift(self, hole, top, value):
        heap = self.slots
        while hole > top and self.better(heap[_trunc_div(hole - 1, 2)], value):
            parent = _trunc_div(hole - 1, 2)
            heap[hole] = heap[parent]
            hole = parent
        heap[hole] = value

    def sift(self, hole, length, value):
        """The hole follows the worse child; on equal children, the right one."""
        heap = self.slots
        top = child = hole
        while child < _trunc_div(length - 1, 2):
            child = 2 * child + 2
            if self.better(heap[child], heap[child - 1]):
                child -= 1
            heap[hole] = heap[child]
            hole = child
        if length % 2 == 0 and child == _trunc_div(length - 2, 2):
            child = 2 * child + 2
            heap[hole] = heap[child - 1]
            hole = child - 1
        self.lift(hole, top, value)

    def build(self):
        k = len(self.slots)
        for p in range(_trunc_div(k - 2, 2), -1, -1):
            self.sift(p, k, self.slots[p])

    def push(self, entry):
        self.slots.append(entry)
        self.lift(len(self.slots) - 1, 0, entry)

    def replace_root(self, entry):
        heap, k = self.slots, len(self.slots)
        if k > 1:
            value = heap[k - 1]
            heap[k - 1] = heap[0]
            self.sift(0, k - 1, value)
        heap[k - 1] = entry
        self.lift(k - 1, 0, entry)

    def offer(self, entry):
        """Replaces the root when `entry` is strictly better than it."""
        if self.better(entry, self.slots[0]):
            self.replace_root(entry)


def select(scores, targets, k, higher):
    n = len(scores)
    if n == 0 or k == 0:
        return []
    if k >= n:
        return [(targets[i], scores[i], i) for i in range(n)]
    heap = Heap(higher, [(scores[i], i) for i in range(k)])
    heap.build()
    for i in range(k, n):
        heap.offer((scores[i], i))
    return [(targets[i], s, i) for s, i in heap.slots]
