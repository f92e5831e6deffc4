"""Phonetic encoders: codes per second over 100,000 surnames, against jellyfish.

jellyfish has no Double Metaphone; that row is measured against the
``metaphone`` package's ``doublemetaphone`` instead, when it is installed.

Run by hand:  PYTHONPATH=<build>/python python benchmarks/bench_phonetic.py

The names are drawn (seeded, with replacement) from the plain ASCII names
of tests/data/surnames.txt.
Each row times one encoder mapped over the whole list, best of several
rounds, and prints our rate, the peer's rate measured in the same run, and
their ratio (above 1 means we are faster).
"""

import random
import time
from pathlib import Path

import veltrocamber as vc

try:
    import jellyfish
except ImportError:  # the table still shows our own rates
    jellyfish = None

try:
    from metaphone import doublemetaphone
except ImportError:
    doublemetaphone = None

NAME_COUNT = 100_000
ROUNDS = 5


def load_names():
    path = Path(__file__).resolve().parent.parent / "tests" / "data" / "surnames.txt"
    lines = (line.strip() for line in path.read_text(encoding="utf-8").splitlines())
    # Plain ASCII names only: jellyfish's Match Rating functions refuse others.
    pool = [name for name in lines if name.isascii() and name.isalpha()]
    rng = random.Random(20261210)
    return [rng.choice(pool) for _ in range(NAME_COUNT)]


def rate(fn, names):
    best = float("inf")
    for _ in range(ROUNDS):
        start = time.perf_counter()
        for _ in map(fn, names):
            pass
        best = min(best, time.perf_counter() - start)
    return len(names) / best


def rate_pairs(fn, firsts, seconds):
    best = float("inf")
    for _ in range(ROUNDS):
        start = time.perf_counter()
        for _ in map(fn, firsts, seconds):
            pass
        best = min(best, time.perf_counter() - start)
    return len(firsts) / best


def peer(name):
    """A jellyfish function by name, or a peer function given as itself."""
    if callable(name):
        return name
    return getattr(jellyfish, name, None) if jellyfish is not None else None


# (label, ours, jellyfish's function name or None). One-argument encoders.
ENCODERS = [
    ("soundex", vc.soundex, "soundex"),
    ("metaphone", vc.metaphone, "metaphone"),
    ("metaphone variant=1", lambda s: vc.metaphone(s, variant=1), None),
    ("nysiis", vc.nysiis, "nysiis"),
    ("match_rating_codex", vc.match_rating_codex, "match_rating_codex"),
    ("caverphone", vc.caverphone, None),
    ("double_metaphone *", vc.double_metaphone, doublemetaphone),
]

# Two-argument functions, timed over (name, next name) pairs.
PAIRS = [
    ("soundex_equal", vc.soundex_equal, None),
    ("metaphone_equal", vc.metaphone_equal, None),
    ("nysiis_equal", vc.nysiis_equal, None),
    # Not the same rule as ours, but the same amount of work per pair.
    ("match_rating_compare", vc.match_rating_compare, "match_rating_comparison"),
]


def main():
    names = load_names()
    shifted = names[1:] + names[:1]
    print(f"{NAME_COUNT} surnames, best of {ROUNDS} rounds; rates in million codes per second")
    print("* peer: the metaphone package (jellyfish has no Double Metaphone)")
    print(f"{'function':<24}{'veltrocamber':>14}{'jellyfish':>12}{'ratio':>9}")
    one = lambda f: rate(f, names)  # noqa: E731
    two = lambda f: rate_pairs(f, names, shifted)  # noqa: E731
    rows = [(label, f, p, one) for label, f, p in ENCODERS] + [(label, f, p, two) for label, f, p in PAIRS]
    for label, ours_fn, peer_name, measure in rows:
        ours = measure(ours_fn)
        theirs_fn = peer(peer_name) if peer_name else None
        if theirs_fn is None:
            print(f"{label:<24}{ours / 1e6:>14.2f}{'-':>12}{'-':>9}")
            continue
        theirs = measure(theirs_fn)
        print(f"{label:<24}{ours / 1e6:>14.2f}{theirs / 1e6:>12.2f}{ours / theirs:>8.2f}x")


if __name__ == "__main__":
    main()
