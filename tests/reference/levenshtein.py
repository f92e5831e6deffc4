"""Plain-Python model of the Levenshtein distance and its cutoff and
normalisation rules. Slow and obvious on purpose."""


def distance(a, b):
    """Unit-cost edit distance by the textbook two-row dynamic programme."""
    a, b = list(a), list(b)
    previous = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        current = [i]
        for j, y in enumerate(b, 1):
            current.append(min(previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (x != y)))
        previous = current
    return previous[-1]


def with_cutoff(d, la, lb, cutoff):
    """What the kernels answer: an empty side gives the other length
    unclamped; otherwise min(d, cutoff + 1). None and every negative cutoff
    mean no cutoff."""
    if la == 0 or lb == 0 or cutoff is None or cutoff < 0:
        return d
    return min(d, cutoff + 1)


def similarity(d, la, lb):
    """1 - d / max(la, lb); 1.0 for two empty sides, 0.0 once d / max
    reaches 1."""
    m = max(la, lb)
    if m == 0:
        return 1.0
    r = d / m
    return 0.0 if r >= 1.0 else 1.0 - r


def _byte_like(x):
    return isinstance(x, bytes) or (isinstance(x, str) and all(ord(c) < 256 for c in x))


def pair_symbols(q, t):
    """The symbols a pair is compared on: code units when both sides are
    byte-like (bytes or one-byte str, so the byte 0xE9 equals U+00E9), code
    points for two str, and otherwise the items of each side (a bytes object
    yields ints, a str one-character strings)."""
    if _byte_like(q) and _byte_like(t):
        return [x if isinstance(x, int) else ord(x) for x in q], [x if isinstance(x, int) else ord(x) for x in t]
    if isinstance(q, str) and isinstance(t, str):
        return [ord(c) for c in q], [ord(c) for c in t]
    return list(q), list(t)
