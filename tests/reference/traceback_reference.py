"""Plain-Python models of the alignment traceback kernels.

Whole score matrices as lists of lists, minus infinity as float("-inf"), no
cell widths: slow and obvious. The tie-breaks are the library's: a cell takes
the diagonal unless the vertical gap scores strictly more, and that unless
the horizontal gap scores strictly more; a gap value extends when extending
and opening score the same; the local best cell is the first strict maximum
with query rows outer. Local alignment floors only H at 0.

Every model returns a dict with score, query_start, query_end, target_start,
target_end and operations ('=', 'X', 'D' query token against a gap, 'I'
target token against a gap), or None when a banded model declines.

`match` may also be a substitution function score(a, b) of two symbols, in
place of the match/mismatch pair; '=' and 'X' still go by symbol equality.
"""

import itertools

from .alignment_dp import _s as _substitution

NEG = float("-inf")


def _result(score, start, end, letters):
    return {
        "score": score,
        "query_start": start[0],
        "query_end": end[0],
        "target_start": start[1],
        "target_end": end[1],
        "operations": "".join(reversed(letters)),
    }


def linear_codes(local, query, target, match, mismatch, gap):
    """The linear fill: (H, source codes 0-3, best score, end cell)."""
    n, m = len(query), len(target)
    H = [[0] * (m + 1) for _ in range(n + 1)]
    src = [[0] * (m + 1) for _ in range(n + 1)]
    if not local:
        for j in range(1, m + 1):
            H[0][j], src[0][j] = gap * j, 3
        for i in range(1, n + 1):
            H[i][0], src[i][0] = gap * i, 2
    best, end = 0, (0, 0)
    for i in range(1, n + 1):
        for j in range(1, m + 1):
            value, d = H[i - 1][j - 1] + _substitution(query[i - 1], target[j - 1], match, mismatch), 1
            if H[i - 1][j] + gap > value:
                value, d = H[i - 1][j] + gap, 2
            if H[i][j - 1] + gap > value:
                value, d = H[i][j - 1] + gap, 3
            if local and value <= 0:
                value, d = 0, 0
            H[i][j], src[i][j] = value, d
            if local and value > best:
                best, end = value, (i, j)
    if not local:
        best, end = H[n][m], (n, m)
    return H, src, best, end


def linear_path(local, query, target, match, mismatch, gap):
    _, src, best, end = linear_codes(local, query, target, match, mismatch, gap)
    i, j = end
    letters = []
    while (i, j) != (0, 0) and src[i][j] != 0:
        d = src[i][j]
        if d == 1:
            letters.append("=" if query[i - 1] == target[j - 1] else "X")
            i, j = i - 1, j - 1
        elif d == 2:
            letters.append("D")
            i -= 1
        else:
            letters.append("I")
            j -= 1
    return _result(best, (i, j), end, letters)


def affine_codes(local, query, target, match, mismatch, gap_open, gap_extend, band=None):
    """Fills H, V, Hz and the codes (direction | 4 vertical extends | 8
    horizontal extends). With `band`, only cells with |i - j| <= band are
    computed; all others count as minus infinity."""
    n, m = len(query), len(target)
    H = [[NEG] * (m + 1) for _ in range(n + 1)]
    V = [[NEG] * (m + 1) for _ in range(n + 1)]
    Z = [[NEG] * (m + 1) for _ in range(n + 1)]
    code = [[0] * (m + 1) for _ in range(n + 1)]

    def inside(i, j):
        return band is None or abs(i - j) <= band

    H[0][0] = 0
    for j in range(1, m + 1):
        if not inside(0, j):
            continue
        if local:
            H[0][j] = 0
        else:
            H[0][j] = gap_open + gap_extend * (j - 1)
            code[0][j] = 3 if j == 1 else 11
    for i in range(1, n + 1):
        if not inside(i, 0):
            continue
        if local:
            H[i][0] = 0
        else:
            H[i][0] = gap_open + gap_extend * (i - 1)
            code[i][0] = 2 if i == 1 else 6
    for i in range(1, n + 1):
        low, high = (1, m) if band is None else (max(1, i - band), min(m, i + band))
        for j in range(low, high + 1):
            v_open, v_ext = H[i - 1][j] + gap_open, V[i - 1][j] + gap_extend
            V[i][j] = v_ext if v_ext >= v_open else v_open
            z_open, z_ext = H[i][j - 1] + gap_open, Z[i][j - 1] + gap_extend
            Z[i][j] = z_ext if z_ext >= z_open else z_open
            bits = (4 if v_ext >= v_open else 0) | (8 if z_ext >= z_open else 0)
            h, d = H[i - 1][j - 1] + _substitution(query[i - 1], target[j - 1], match, mismatch), 1
            if V[i][j] > h:
                h, d = V[i][j], 2
            if Z[i][j] > h:
                h, d = Z[i][j], 3
            if local and h <= 0:
                h, d = 0, 0
            H[i][j], code[i][j] = h, bits | d
    return H, code


def _affine_walk(local, query, target, code, end, band=None):
    """Returns (start, letters), or None when the walk leaves the band."""
    i, j = end
    state = "M"
    letters = []
    while (i, j) != (0, 0):
        if band is not None and abs(i - j) > band:
            return None
        if state == "M":
            if not local and j == 0:
                state = "V"
                continue
            if not local and i == 0:
                state = "Z"
                continue
            d = code[i][j] & 3
            if d == 0:
                break
            if d == 1:
                letters.append("=" if query[i - 1] == target[j - 1] else "X")
                i, j = i - 1, j - 1
            else:
                state = "V" if d == 2 else "Z"
        elif state == "V":
            if i == 0:
                return None
            letters.append("D")
            stay = i > 1 and code[i][j] & 4
            i -= 1
            state = "V" if stay else "M"
        else:
            if j == 0:
                return None
            letters.append("I")
            stay = j > 1 and code[i][j] & 8
            j -= 1
            state = "Z" if stay else "M"
    return (i, j), letters


def _local_best(H):
    best, end = 0, (0, 0)
    for i, row in enumerate(H):
        for j, h in enumerate(row):
            if h > best:
                best, end = h, (i, j)
    return best, end


def affine_path(local, query, target, match, mismatch, gap_open, gap_extend):
    H, code = affine_codes(local, query, target, match, mismatch, gap_open, gap_extend)
    if local:
        best, end = _local_best(H)
    else:
        n, m = len(query), len(target)
        best, end = H[n][m], (n, m)
    start, letters = _affine_walk(local, query, target, code, end)
    return _result(best, start, end, letters)


def smith_waterman_affine_score(query, target, match, mismatch, gap_open, gap_extend):
    H, _ = affine_codes(True, query, target, match, mismatch, gap_open, gap_extend)
    return _local_best(H)[0]


def half_band(qlen, tlen):
    return abs(qlen - tlen) + min(max(max(qlen, tlen) >> 4, 32), 128)


def smith_waterman_banded_cigar(query, target, match, mismatch, gap_open, gap_extend, expected_score):
    """The banded attempt: None when declined."""
    if expected_score <= 0:
        return _result(0, (0, 0), (0, 0), [])
    band = half_band(len(query), len(target))
    if band >= max(len(query), len(target)):
        return None
    H, code = affine_codes(True, query, target, match, mismatch, gap_open, gap_extend, band)
    best, end = _local_best(H)
    if best != expected_score:
        return None
    walked = _affine_walk(True, query, target, code, end, band)
    if walked is None:
        return None
    start, letters = walked
    return _result(best, start, end, letters)


def needleman_wunsch_affine_score(query, target, match, mismatch, gap_open, gap_extend):
    H, _ = affine_codes(False, query, target, match, mismatch, gap_open, gap_extend)
    return H[len(query)][len(target)]


def needleman_wunsch_banded_cigar(query, target, match, mismatch, gap_open, gap_extend, expected_score):
    """The global banded attempt: None when declined. Unlike the local one it
    has no early answer; its end cell H(qlen, tlen) must equal the expected
    score, and its walk must reach (0, 0) inside the band."""
    n, m = len(query), len(target)
    band = half_band(n, m)
    if band >= max(n, m):
        return None
    H, code = affine_codes(False, query, target, match, mismatch, gap_open, gap_extend, band)
    if H[n][m] == NEG or H[n][m] != expected_score:
        return None
    walked = _affine_walk(False, query, target, code, (n, m), band)
    if walked is None or walked[0] != (0, 0):
        return None
    start, letters = walked
    return _result(H[n][m], start, (n, m), letters)


def cigar(operations):
    out, k = [], 0
    while k < len(operations):
        run = k
        while run < len(operations) and operations[run] == operations[k]:
            run += 1
        out.append(f"{run - k}{operations[k]}")
        k = run
    return "".join(out)


def operations_of(text):
    """The operations of a CIGAR text (the inverse of cigar)."""
    out, count = [], ""
    for c in text:
        if c.isdigit():
            count += c
        else:
            out.append(c * int(count))
            count = ""
    return "".join(out)


def rescore(operations, query, target, query_start, target_start, match, mismatch, gap_open, gap_extend,
            global_alignment=False):
    """Score of an alignment given by its operations, independent of any DP,
    with the query and target ends it reaches. Checks that '=' and 'X' agree
    with the symbols.

    A run of k gap letters may stand for several adjacent gaps (when opening
    scores more than extending, each letter can be a gap of its own), so it
    scores its best reading, gap_open + (k - 1) * max(gap_extend, gap_open);
    only a global alignment's leading gap run lies on the matrix border,
    which is one gap by definition: gap_open + (k - 1) * gap_extend."""
    score, i, j = 0, query_start, target_start
    for index, (op, run) in enumerate(itertools.groupby(operations)):
        k = len(list(run))
        if op in "=X":
            for _ in range(k):
                assert (query[i] == target[j]) == (op == "="), (op, i, j)
                score += _substitution(query[i], target[j], match, mismatch)
                i, j = i + 1, j + 1
            continue
        further = gap_extend if global_alignment and index == 0 else max(gap_extend, gap_open)
        score += gap_open + (k - 1) * further
        if op == "D":
            i += k
        else:
            j += k
    return score, i, j


def cigar_digest(text: bytes):
    h = 1469598103934665603
    for b in text:
        h = ((h ^ b) * 0x100000001B3) % 2**64
    return ((len(text) ^ h) * 0x100000001B3) % 2**64
