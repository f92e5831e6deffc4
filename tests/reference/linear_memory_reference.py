"""Plain-Python models of the linear-memory traceback: the global linear score
row, the divide-and-conquer split and the local trade driver, with the
library's rules (the split column is the lowest among equal sums; rectangles
of at most 4096 cells, and one-token queries, are solved by the full-matrix
global walk). Slow and obvious; for small inputs only."""

from reference import traceback_reference as ref


def last_row(query, target, match, mismatch, gap):
    row = [gap * j for j in range(len(target) + 1)]
    for i, q in enumerate(query, 1):
        new = [gap * i]
        for j, t in enumerate(target, 1):
            new.append(max(row[j - 1] + (match if q == t else mismatch), row[j] + gap, new[j - 1] + gap))
        row = new
    return row


def hirschberg(query, target, match, mismatch, gap):
    n, m = len(query), len(target)
    if n == 0:
        return "I" * m
    if m == 0:
        return "D" * n
    if n == 1 or n * m <= 4096:
        return ref.linear_path(False, query, target, match, mismatch, gap)["operations"]
    half = n >> 1
    forward = last_row(query[:half], target, match, mismatch, gap)
    reverse = last_row(query[half:][::-1], target[::-1], match, mismatch, gap)
    sums = [forward[j] + reverse[m - j] for j in range(m + 1)]
    split = sums.index(max(sums))
    return hirschberg(query[:half], target[:split], match, mismatch, gap) + hirschberg(
        query[half:], target[split:], match, mismatch, gap
    )


def trade_local(query, target, match, mismatch, gap):
    """The local trade driver's text (it never declines on exact integers)."""
    if not query or not target:
        return ""
    _, _, best, (row, col) = ref.linear_codes(True, query, target, match, mismatch, gap)
    if best < 1:
        return ""
    rq, rt = query[:row][::-1], target[:col][::-1]
    up = [gap * j for j in range(col + 1)]
    for i in range(1, row + 1):
        cur = [gap * i]
        for j in range(1, col + 1):
            cur.append(max(up[j - 1] + (match if rq[i - 1] == rt[j - 1] else mismatch), up[j] + gap, cur[j - 1] + gap))
        for j in range(1, col + 1):
            if cur[j] == best:
                ops = hirschberg(query[row - i : row], target[col - j : col], match, mismatch, gap)
                return ref.cigar(ops)
        up = cur
    raise AssertionError("no start cell")


def linear_score(operations, query, target, match, mismatch, gap):
    """Score of a linear-gap alignment given by its operations, with the
    numbers of query and target tokens it consumes; checks '=' and 'X'."""
    score, i, j = 0, 0, 0
    for op in operations:
        if op in "=X":
            assert (query[i] == target[j]) == (op == "="), (op, i, j)
            score += match if op == "=" else mismatch
            i, j = i + 1, j + 1
        elif op == "D":
            score, i = score + gap, i + 1
        else:
            score, j = score + gap, j + 1
    return score, i, j
