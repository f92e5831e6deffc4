"""Levenshtein against its peers, measured in one run.

    PYTHONPATH=build/dev/python python benchmarks/bench_levenshtein.py

Prints, per case, the time per call of veltrocamber and of each peer found
(rapidfuzz, Levenshtein) and the ratio peer / ours: above 1 means we are
faster. Pairs are texts and a copy with about one edit in ten (ASCII and
Cyrillic text), called one at a time; the batch is one query against 100,000
targets of 5 to 30 characters.
"""

import random
import sys
import timeit

from veltrocamber import _swar

try:
    from rapidfuzz import process as rf_process
    from rapidfuzz.distance import Levenshtein as rf_lev
except ImportError:  # pragma: no cover
    rf_lev = rf_process = None
try:
    import Levenshtein as py_lev
except ImportError:  # pragma: no cover
    py_lev = None

ASCII = "abcdefghijklmnopqrstuvwxyz     "
CYRILLIC = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя     "


def text(rng, alphabet, n):
    return "".join(rng.choice(alphabet) for _ in range(n))


def edited(rng, alphabet, s, fraction=0.1):
    items = list(s)
    for _ in range(max(1, int(len(items) * fraction))):
        pos = rng.randrange(len(items))
        op = rng.randrange(3)
        if op == 0:
            items[pos] = rng.choice(alphabet)
        elif op == 1 and len(items) > 1:
            del items[pos]
        else:
            items.insert(pos, rng.choice(alphabet))
    return "".join(items)


def best_time(fn, number, repeat=5):
    return min(timeit.repeat(fn, number=number, repeat=repeat)) / number


def pair_loop(fn, pairs):
    def run():
        for q, t in pairs:
            fn(q, t)

    return run


def row(name, ours, peers):
    cells = [f"{name:<34}", f"{ours * 1e9 / 1:>11.0f} ns"]
    for peer, t in peers:
        cells.append(f"{peer} {t * 1e9:>10.0f} ns  x{t / ours:5.2f}")
    print("  ".join(cells))


def bench_pairs(rng):
    print("One pair per call (time per call; xN = peer time / ours)")
    for label, alphabet in (("ascii", ASCII), ("cyrillic", CYRILLIC)):
        for n in (8, 32, 64, 200, 2000):
            count = 200 if n < 2000 else 20
            pairs = []
            for _ in range(count):
                q = text(rng, alphabet, n)
                pairs.append((q, edited(rng, alphabet, q)))
            for q, t in pairs[:5]:
                want = _swar.levenshtein_score(q, t)
                assert rf_lev is None or rf_lev.distance(q, t) == want
            number = max(1, 20000 // (count * max(1, n // 64)))
            ours = best_time(pair_loop(_swar.levenshtein_score, pairs), number) / count
            peers = []
            if rf_lev is not None:
                peers.append(("rapidfuzz", best_time(pair_loop(rf_lev.distance, pairs), number) / count))
            if py_lev is not None:
                peers.append(("Levenshtein", best_time(pair_loop(py_lev.distance, pairs), number) / count))
            row(f"{label} {n} chars", ours, peers)


def bench_batch(rng):
    print("\nOne query against 100,000 targets of 5 to 30 characters (time per call)")
    query = text(rng, ASCII, 16)
    targets = [text(rng, ASCII, rng.randrange(5, 31)) for _ in range(100_000)]
    got = _swar.levenshtein_scores(query, targets)
    ours = best_time(lambda: _swar.levenshtein_scores(query, targets), 1)
    peers = []
    if rf_lev is not None:
        assert rf_process.cdist([query], targets, scorer=rf_lev.distance, workers=1)[0].tolist() == got.tolist()
        peers.append(("rapidfuzz cdist", best_time(
            lambda: rf_process.cdist([query], targets, scorer=rf_lev.distance, workers=1), 1)))
        peers.append(("rapidfuzz loop", best_time(lambda: [rf_lev.distance(query, t) for t in targets], 1)))
    if py_lev is not None:
        peers.append(("Levenshtein loop", best_time(lambda: [py_lev.distance(query, t) for t in targets], 1)))
    row("levenshtein_scores", ours, peers)

    prepared = _swar._prepare_levenshtein_score(query)
    score = _swar._levenshtein_score_prepared
    ours = best_time(lambda: [score(prepared, t) for t in targets], 1)
    peers = []
    if rf_lev is not None:
        # rapidfuzz's cached scorer has no per-call Python entry; process.*
        # is where it runs for one query and many targets.
        peers.append(("rapidfuzz cdist", best_time(
            lambda: rf_process.cdist([query], targets, scorer=rf_lev.distance, workers=1), 1)))
        peers.append(("rapidfuzz loop", best_time(lambda: [rf_lev.distance(query, t) for t in targets], 1)))
    row("prepared query, Python loop", ours, peers)


def main():
    rng = random.Random(2024)
    print(f"peers: rapidfuzz {'yes' if rf_lev else 'missing'}, Levenshtein {'yes' if py_lev else 'missing'}")
    bench_pairs(rng)
    bench_batch(rng)
    return 0


if __name__ == "__main__":
    sys.exit(main())
