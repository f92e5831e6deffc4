"""Plain-Python models of the edit distances other than Levenshtein: optimal
string alignment, unrestricted Damerau-Levenshtein (Lowrance-Wagner), Indel
through the longest common subsequence, Hamming, Jaro and Jaro-Winkler.
Slow and obvious on purpose. Every model takes two Python sequences whose
items compare with ==."""

import random
from fractions import Fraction


def osa(a, b):
    """Full-matrix optimal string alignment distance."""
    n, m = len(a), len(b)
    d = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(n + 1):
        d[i][0] = i
    for j in range(m + 1):
        d[0][j] = j
    for i in range(1, n + 1):
        for j in range(1, m + 1):
            cost = 0 if a[i - 1] == b[j - 1] else 1
            d[i][j] = min(d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost)
            if i > 1 and j > 1 and a[i - 1] == b[j - 2] and a[i - 2] == b[j - 1]:
                d[i][j] = min(d[i][j], d[i - 2][j - 2] + 1)
    return d[n][m]


def unrestricted_damerau_levenshtein(a, b):
    """Lowrance-Wagner, with the last row of each symbol in a dict."""
    n, m = len(a), len(b)
    big = n + m
    d = [[big] * (m + 2) for _ in range(n + 2)]
    for i in range(n + 1):
        d[i + 1][1] = i
    for j in range(m + 1):
        d[1][j + 1] = j
    last_row = {}
    for i in range(1, n + 1):
        db = 0
        for j in range(1, m + 1):
            k = last_row.get(b[j - 1], 0)
            l = db
            cost = 1
            if a[i - 1] == b[j - 1]:
                cost = 0
                db = j
            d[i + 1][j + 1] = min(
                d[i][j] + cost,
                d[i + 1][j] + 1,
                d[i][j + 1] + 1,
                d[k][l] + (i - k - 1) + 1 + (j - l - 1),
            )
        last_row[a[i - 1]] = i
    return d[n + 1][m + 1]


def lcs_length(a, b):
    n, m = len(a), len(b)
    d = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(1, n + 1):
        for j in range(1, m + 1):
            if a[i - 1] == b[j - 1]:
                d[i][j] = d[i - 1][j - 1] + 1
            else:
                d[i][j] = max(d[i - 1][j], d[i][j - 1])
    return d[n][m]


def indel(a, b):
    return len(a) + len(b) - 2 * lcs_length(a, b)


def hamming(a, b):
    assert len(a) == len(b)
    return sum(1 for x, y in zip(a, b) if x != y)


def max_length_similarity(d, la, lb):
    m = max(la, lb)
    if m == 0:
        return 1.0
    r = d / m
    return 0.0 if r >= 1.0 else 1.0 - r


def length_similarity(d, n):
    return 1.0 if n == 0 else 1.0 - d / n


def jaro(a, b):
    """Jaro similarity: each query symbol takes the first unmatched equal
    target symbol inside the window; float operations in the library's
    order."""
    la, lb = len(a), len(b)
    if la == 0 and lb == 0:
        return 1.0
    if la == 0 or lb == 0:
        return 0.0
    w = max(max(la, lb) // 2 - 1, 0)
    a_flags = [False] * la
    b_flags = [False] * lb
    m = 0
    for k in range(la):
        for l in range(max(0, k - w), min(lb, k + w + 1)):
            if not b_flags[l] and b[l] == a[k]:
                a_flags[k] = b_flags[l] = True
                m += 1
                break
    if m == 0:
        return 0.0
    a_matched = [a[k] for k in range(la) if a_flags[k]]
    b_matched = [b[l] for l in range(lb) if b_flags[l]]
    t = sum(1 for x, y in zip(a_matched, b_matched) if x != y) // 2
    return ((m / la + m / lb) + (m - t) / m) / 3


def common_prefix(a, b, cap):
    n = min(len(a), len(b), cap)
    i = 0
    while i < n and a[i] == b[i]:
        i += 1
    return i


def fused_multiply_add(x, y, z):
    """x * y + z rounded once, as the hardware instruction does."""
    return float(Fraction(x) * Fraction(y) + Fraction(z))


def jaro_winkler(a, b, prefix_weight=0.1, prefix_threshold=0.7, prefix_cap=4):
    j = jaro(a, b)
    if prefix_threshold > j:
        return j
    scale = common_prefix(a, b, prefix_cap) * prefix_weight
    return fused_multiply_add(scale, 1.0 - j, j)


# ---------------------------------------------------------------------------
# Random inputs
# ---------------------------------------------------------------------------

# Alphabets per input kind: few symbols, so that matches and transpositions
# are common.
_BYTE_ALPHABET = b"abcd\xe9"
_NARROW = "abcd\xe9"
_WIDE = "ab\u0100\u4e2d"
_ASTRAL = "ab\U0001f600\u0100"


def _length(rng, longest):
    # Mostly short, sometimes around the 64-symbol boundary.
    if rng.random() < 0.25:
        return rng.randint(60, longest)
    return rng.randint(0, 12)


def random_pair(rng, kind, longest=80, equal_lengths=False):
    """A query and a target of the given kind: 'bytes', 'str1' (one-byte
    str), 'str2', 'str4', 'mixed' (bytes against a one-byte str) or
    'objects' (lists of small ints)."""
    la = _length(rng, longest)
    lb = la if equal_lengths else _length(rng, longest)

    def seq(alphabet, n):
        return [rng.choice(alphabet) for _ in range(n)]

    if kind == "bytes":
        return bytes(seq(_BYTE_ALPHABET, la)), bytes(seq(_BYTE_ALPHABET, lb))
    if kind == "str1":
        return "".join(seq(_NARROW, la)), "".join(seq(_NARROW, lb))
    if kind == "str2":
        return "".join(seq(_WIDE, la)), "".join(seq(_WIDE, lb))
    if kind == "str4":
        return "".join(seq(_ASTRAL, la)), "".join(seq(_ASTRAL, lb))
    if kind == "mixed":
        return bytes(seq(_BYTE_ALPHABET, la)), "".join(seq(_NARROW, lb))
    if kind == "objects":
        alphabet = [1, 2, 3, "x", (4,)]
        return seq(alphabet, la), seq(alphabet, lb)
    raise ValueError(kind)


KINDS = ("bytes", "str1", "str2", "str4", "mixed", "objects")


def same_length_variant(rng, seq):
    """`seq` (bytes, str or list) with a few positions taking symbols found
    elsewhere in it: another input of its length and alphabet."""
    items = list(seq)
    for _ in range(rng.randrange(0, 3)):
        if items:
            items[rng.randrange(len(items))] = rng.choice(items)
    if isinstance(seq, bytes):
        return bytes(items)
    return "".join(items) if isinstance(seq, str) else items


def symbols(x):
    """The symbols the library compares: byte values for bytes, code points
    for str (a one-byte str against bytes compares code units with bytes)."""
    if isinstance(x, (bytes, bytearray)):
        return list(x)
    if isinstance(x, str):
        return [ord(c) for c in x]
    return list(x)


def random_pairs(seed, kind, count, **kwargs):
    rng = random.Random(seed)
    return [random_pair(rng, kind, **kwargs) for _ in range(count)]


# Token sequences of any alphabet: the pattern masks of a long sequence of
# many distinct tokens are laid out sparsely, of few distinct tokens densely.
TOKEN_ALPHABETS = (1, 2, 100, 100_000)
BLOCK_EDGE_LENGTHS = (63, 64, 65, 127, 128, 129)


def edited_tokens(rng, tokens, alphabet, edits):
    """`tokens` with `edits` random insertions, deletions and substitutions."""
    items = list(tokens)
    for _ in range(edits):
        pos = rng.randrange(len(items) + 1)
        op = rng.randrange(3)
        if op == 0 or not items:
            items.insert(pos, rng.randrange(alphabet))
        elif op == 1:
            del items[min(pos, len(items) - 1)]
        else:
            items[min(pos, len(items) - 1)] = rng.randrange(alphabet)
    return items


def token_pairs(seed, alphabet, long_length=10_000):
    """Lists of ints below `alphabet`: unrelated and edited pairs whose
    lengths sit at the 64-token block edges, and an edited and an unrelated
    pair of about `long_length` tokens."""
    rng = random.Random(seed)

    def tokens(n):
        return [rng.randrange(alphabet) for _ in range(n)]

    pairs = []
    for lq in BLOCK_EDGE_LENGTHS:
        q = tokens(lq)
        pairs.append((q, tokens(rng.choice(BLOCK_EDGE_LENGTHS))))
        pairs.append((q, edited_tokens(rng, q, alphabet, rng.randrange(1, 8))))
    q = tokens(long_length + rng.randrange(100))
    pairs.append((q, edited_tokens(rng, q, alphabet, long_length // 100)))
    pairs.append((q, tokens(long_length + rng.randrange(100))))
    return pairs


def check_token_lists(score, scores, peer, seed, alphabet):
    """score(q, t) and scores(q, [t]) against peer(q, t) on token_pairs."""
    for q, t in token_pairs(seed, alphabet):
        d = peer(q, t)
        assert score(q, t) == d, (len(q), len(t))
        assert scores(q, [t]).tolist() == [d]
