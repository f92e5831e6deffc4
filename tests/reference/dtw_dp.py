"""Dynamic time warping by the textbook full-matrix recurrence, one cell at a time.

The arithmetic of each sample type is spelled out: float64 in Python floats,
float32 in ``numpy.float32`` scalars (every difference, square and sum rounded
to single precision), int16 in Python ints (exact, never overflowing).
"""

import math

import numpy as np


def _rules(dtype):
    """(convert a sample, zero, infinity) for one sample dtype."""
    dtype = np.dtype(dtype)
    if dtype == np.float32:
        return np.float32, np.float32(0), np.float32(np.inf)
    if dtype == np.float64:
        return float, 0.0, math.inf
    if dtype == np.int16:
        return int, 0, math.inf
    raise ValueError(dtype)


def dtw_reference(query, target, distance, radius=None):
    """D[n][m] as a Python float; ``radius`` None means no band."""
    convert, zero, inf = _rules(np.asarray(query).dtype)
    x = [convert(v) for v in np.asarray(query).ravel()]
    y = [convert(v) for v in np.asarray(target).ravel()]
    n, m = len(x), len(y)
    if n == 0 or m == 0:
        return math.inf
    band = max(n, m) if radius is None else min(radius, max(n, m))
    with np.errstate(all="ignore"):
        d = [[inf] * (m + 1) for _ in range(n + 1)]
        d[0][0] = zero
        for i in range(1, n + 1):
            for j in range(1, m + 1):
                if abs(i - j) > band:
                    continue
                best = d[i - 1][j - 1]
                if d[i - 1][j] < best:
                    best = d[i - 1][j]
                if d[i][j - 1] < best:
                    best = d[i][j - 1]
                if best == inf:
                    continue
                diff = x[i - 1] - y[j - 1]
                cost = diff * diff if distance == "l2_squared" else abs(diff)
                d[i][j] = best + cost
    return float(d[n][m])


def fraction_radius(window, n, m):
    """The radius a float window gives for lengths n and m."""
    return math.ceil(float(max(n, m)) * window)
