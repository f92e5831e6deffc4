"""Plain dynamic-programming alignment scores, the oracle for the kernels.

Textbook recurrences, written for clarity rather than speed. Scores are sums
of added values (penalties are negative). Local scores floor every cell at 0
and start from a zero boundary; global scores start from gap runs along the
boundary. Affine gaps (Gotoh): a run of k gap symbols scores open + (k-1) *
extend; a gap in one sequence may follow a gap in the other only by opening
a new gap.

Every function takes either a match/mismatch pair or, in place of `match`, a
substitution function score(a, b) of two symbols.
"""

NEG = -(10**30)  # minus infinity: far below any reachable score


def _s(a, b, match, mismatch):
    """`match` may also be a substitution function score(a, b) (a matrix
    lookup); `mismatch` is then not read."""
    if callable(match):
        return match(a, b)
    return match if a == b else mismatch


def local_linear(q, t, match, mismatch, gap):
    prev = [0] * (len(t) + 1)
    best = 0
    for i in range(1, len(q) + 1):
        cur = [0] * (len(t) + 1)
        for j in range(1, len(t) + 1):
            cur[j] = max(0, prev[j - 1] + _s(q[i - 1], t[j - 1], match, mismatch), prev[j] + gap, cur[j - 1] + gap)
            best = max(best, cur[j])
        prev = cur
    return best


def global_linear(q, t, match, mismatch, gap):
    prev = [j * gap for j in range(len(t) + 1)]
    for i in range(1, len(q) + 1):
        cur = [i * gap] + [0] * len(t)
        for j in range(1, len(t) + 1):
            cur[j] = max(prev[j - 1] + _s(q[i - 1], t[j - 1], match, mismatch), prev[j] + gap, cur[j - 1] + gap)
        prev = cur
    return prev[len(t)]


def local_affine(q, t, match, mismatch, gap_open, gap_extend):
    n = len(t)
    h_prev = [0] * (n + 1)
    v_prev = [NEG] * (n + 1)  # gap consuming query symbols (vertical)
    best = 0
    for i in range(1, len(q) + 1):
        h = [0] * (n + 1)
        v = [NEG] * (n + 1)
        e = NEG  # gap consuming target symbols (horizontal), running along the row
        for j in range(1, n + 1):
            v[j] = max(h_prev[j] + gap_open, v_prev[j] + gap_extend)
            e = max(h[j - 1] + gap_open, e + gap_extend)
            h[j] = max(0, h_prev[j - 1] + _s(q[i - 1], t[j - 1], match, mismatch), v[j], e)
            best = max(best, h[j])
        h_prev, v_prev = h, v
    return best


def global_affine(q, t, match, mismatch, gap_open, gap_extend):
    n = len(t)

    def run(k):
        return 0 if k == 0 else gap_open + (k - 1) * gap_extend

    h_prev = [run(j) for j in range(n + 1)]
    v_prev = [NEG] * (n + 1)
    for i in range(1, len(q) + 1):
        h = [run(i)] + [NEG] * n
        v = [NEG] * (n + 1)
        e = NEG
        for j in range(1, n + 1):
            v[j] = max(h_prev[j] + gap_open, v_prev[j] + gap_extend)
            e = max(h[j - 1] + gap_open, e + gap_extend)
            h[j] = max(h_prev[j - 1] + _s(q[i - 1], t[j - 1], match, mismatch), v[j], e)
        h_prev, v_prev = h, v
    return h_prev[n]


def lcs_length(a, b):
    prev = [0] * (len(b) + 1)
    for x in a:
        cur = [0]
        for j, y in enumerate(b, 1):
            cur.append(prev[j - 1] + 1 if x == y else max(prev[j], cur[j - 1]))
        prev = cur
    return prev[-1]


def score(local, q, t, match, mismatch, gap_open, gap_extend):
    """Dispatch on linear (open == extend) or affine gaps."""
    if gap_open == gap_extend:
        return (local_linear if local else global_linear)(q, t, match, mismatch, gap_open)
    return (local_affine if local else global_affine)(q, t, match, mismatch, gap_open, gap_extend)
