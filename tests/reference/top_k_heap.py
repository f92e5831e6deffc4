"""Plain model of top-k selection: a bounded heap, worst kept entry at the root.

The order of the result is the heap's array order, so the model performs the
same sift/lift moves. NaN ranks below every number.
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


def select(scores, targets, k, higher):
    n = len(scores)
    if n == 0 or k == 0:
        return []
    if k >= n:
        return [(targets[i], scores[i], i) for i in range(n)]
    heap = [(scores[i], i) for i in range(k)]

    def better(x, y):
        return _better(x[0], y[0], higher)

    def lift(hole, top, value):
        while hole > top and better(heap[_trunc_div(hole - 1, 2)], value):
            parent = _trunc_div(hole - 1, 2)
            heap[hole] = heap[parent]
            hole = parent
        heap[hole] = value

    def sift(hole, length, value):
        top = child = hole
        while child < _trunc_div(length - 1, 2):
            child = 2 * child + 2
            if better(heap[child], heap[child - 1]):
                child -= 1
            heap[hole] = heap[child]
            hole = child
        if length % 2 == 0 and child == _trunc_div(length - 2, 2):
            child = 2 * child + 2
            heap[hole] = heap[child - 1]
            hole = child - 1
        lift(hole, top, value)

    for p in range(_trunc_div(k - 2, 2), -1, -1):
        sift(p, k, heap[p])
    for i in range(k, n):
        entry = (scores[i], i)
        if better(entry, heap[0]):
            if k > 1:
                value = heap[k - 1]
                heap[k - 1] = heap[0]
                sift(0, k - 1, value)
            heap[k - 1] = entry
            lift(k - 1, 0, entry)
    return [(targets[i], s, i) for s, i in heap]
