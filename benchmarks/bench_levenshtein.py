"""Levenshtein and the other edit distances (optimal string alignment,
Hamming, Indel, Jaro, Jaro-Winkler, unrestricted Damerau-Levenshtein)
against their peers, measured in one run.

    PYTHONPATH=build/dev/python python benchmarks/bench_levenshtein.py [METRIC ...]

METRIC names the families to run (levenshtein osa hamming indel jaro
jaro_winkler true_dl, long for long Levenshtein pairs, tokens for long
token-list pairs of few and of many distinct tokens, top_k for the ranking
functions, and many for many queries against many names); all of them by
default. Prints, per case, the time per call of veltrocamber and of each
peer found (rapidfuzz, Levenshtein, jellyfish, edlib) and the ratio
peer / ours: above 1 means we are faster. Pairs are texts and a copy with
about one edit in ten (ASCII text, which takes the byte path, and Cyrillic
text, which takes the token path), called one at a time; the batch is one
query against 100,000 targets of 5 to 30 characters (for Hamming, edited
copies of the query's length), the Levenshtein batch also with the query as
a list of letters. The long pairs are 100,000 characters with about one
edit in ten (against edlib's distance task and rapidfuzz) and unrelated
texts of 10,000 and 100,000 characters (against rapidfuzz); the token-list
pairs are two unrelated lists of 100,000 ints of 100 or of 100,000 distinct
values, each call timed with the peak memory it adds, in a fresh process.
The ranking functions (extract, the *_top_k functions and
cdist_top_k_one_query) take one query against 100,000 choices of 5 to 30
letters and are measured against rapidfuzz.process.extract with the same
scorer (the normalised one for cdist_top_k_one_query); the Levenshtein ones
again with the query and the choices as lists of letters (the token path).

Many queries: 2,000 queries against 50,000 synthetic company names (one to
three words, half with a legal suffix; 4 to 35 characters), each query a
name of the list with one typo, keeping the pairs whose normalised
Levenshtein similarity reaches 0.85, as a user deduplicating names would:
a Python loop of levenshtein_normalized_scores with the distance cutoff that
threshold allows (and without it, and split over one process per core)
against rapidfuzz.process.cdist with score_cutoff=0.85, on one worker and
on every core (workers=-1), and with no cutoff on either side; then the first
100 queries one at a time against the same names, against cdist with one
query, with and without the cutoffs. Wall time, since the peer's workers are
threads; the header gives the cores and the load average.
"""

import os
import random
import sys
import timeit
from concurrent.futures import ProcessPoolExecutor

import numpy as np

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
try:
    from rapidfuzz import distance as rf
except ImportError:  # pragma: no cover
    rf = None
try:
    import jellyfish
except ImportError:  # pragma: no cover
    jellyfish = None
try:
    import edlib
except ImportError:  # pragma: no cover
    edlib = None

ASCII = "abcdefghijklmnopqrstuvwxyz     "
CYRILLIC = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя     "


def text(rng, alphabet, n):
    return "".join(rng.choice(alphabet) for _ in range(n))


def edited(rng, alphabet, s, fraction=0.1, keep_length=False):
    items = list(s)
    for _ in range(max(1, int(len(items) * fraction))):
        pos = rng.randrange(len(items))
        op = 0 if keep_length else rng.randrange(3)
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


def row(name, ours, peers, unit="ns"):
    scale, digits = {"ns": (1e9, 0), "ms": (1e3, 3), "s": (1, 3)}[unit]
    cells = [f"{name:<34}", f"{ours * scale:>11.{digits}f} {unit}"]
    for peer, t in peers:
        cells.append(f"{peer} {t * scale:>10.{digits}f} {unit}  x{t / ours:5.2f}")
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


def bench_long(rng):
    print("\nLong pairs, Levenshtein (time per call; xN = peer time / ours)")
    rows = [("100,000 chars, 90 % similar", 100_000, True, 1, "edlib"),
            ("10,000 chars, random", 10_000, False, 10, "rapidfuzz"),
            ("100,000 chars, random", 100_000, False, 1, "rapidfuzz")]
    for label, n, similar, count, peer in rows:
        pairs = []
        for _ in range(count):
            q = text(rng, ASCII, n)
            pairs.append((q, edited(rng, ASCII, q) if similar else text(rng, ASCII, n)))
        for q, t in pairs[:2]:
            want = _swar.levenshtein_score(q, t)
            assert rf_lev is None or rf_lev.distance(q, t) == want
        ours = best_time(pair_loop(_swar.levenshtein_score, pairs), 1) / count
        timed = []
        if peer == "edlib" and edlib is not None:
            def run_edlib(q, t):
                return edlib.align(q, t, task="distance")["editDistance"]

            assert run_edlib(*pairs[0]) == _swar.levenshtein_score(*pairs[0])
            timed.append(("edlib", best_time(pair_loop(run_edlib, pairs), 1) / count))
        if rf_lev is not None:
            timed.append(("rapidfuzz", best_time(pair_loop(rf_lev.distance, pairs), 1) / count))
        row(label, ours, timed)


# A child that times one Levenshtein pair of token lists and reports the
# peak memory the call added: "seconds kilobytes".
TOKEN_PAIR_CHILD = """
import random, resource, sys, time
n, alphabet, who = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
if who == "ours":
    from veltrocamber import _swar
    distance = _swar.levenshtein_score
else:
    from rapidfuzz.distance import Levenshtein
    distance = Levenshtein.distance
rng = random.Random(alphabet)
q = [rng.randrange(alphabet) for _ in range(n)]
t = [rng.randrange(alphabet) for _ in range(n)]
distance(q[:100], t[:100])
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
start = time.perf_counter()
d = distance(q, t)
seconds = time.perf_counter() - start
print(seconds, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before, d)
"""


def bench_token_alphabets():
    """Two unrelated lists of 100,000 ints, of 100 and of 100,000 distinct
    values: time per call and the peak memory one call adds, each measured
    in a fresh process (best of three)."""
    import subprocess

    print("\nLevenshtein, one pair of 100,000-token lists (time; peak memory the call adds)")
    for alphabet in (100, 100_000):
        measured = {}
        for who in ("ours", "rapidfuzz"):
            if who == "rapidfuzz" and rf_lev is None:
                continue
            runs = []
            for _ in range(3):
                out = subprocess.run([sys.executable, "-c", TOKEN_PAIR_CHILD, "100000", str(alphabet), who],
                                     capture_output=True, text=True, check=True).stdout.split()
                runs.append((float(out[0]), int(out[1]), int(out[2])))
            measured[who] = min(runs)
        ours = measured["ours"]
        cells = [f"{alphabet:>7} distinct", f"{ours[0] * 1e3:8.1f} ms", f"+{ours[1] / 1024:6.1f} MB"]
        if "rapidfuzz" in measured:
            peer = measured["rapidfuzz"]
            assert peer[2] == ours[2]
            cells.append(f"rapidfuzz {peer[0] * 1e3:8.1f} ms +{peer[1] / 1024:6.1f} MB  x{peer[0] / ours[0]:5.2f}")
        print("  ".join(cells))


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

    # The same with the query as a list of letters: the token path, whose
    # query the batch reads once.
    tokens = list(query)
    assert _swar.levenshtein_scores(tokens, targets).tolist() == got.tolist()
    row("levenshtein_scores, list query", best_time(lambda: _swar.levenshtein_scores(tokens, targets), 1), [])

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


# The other edit distances: name -> (ours for one pair, our batch, peers as
# (name, function for one pair), equal lengths only, longest pair measured).
def other_metrics():
    table = {
        "osa": (_swar.damerau_levenshtein_score, _swar.damerau_levenshtein_scores,
                [("rapidfuzz", rf and rf.OSA.distance)], False, 2000),
        "hamming": (_swar.hamming_score, _swar.hamming_scores, [("rapidfuzz", rf and rf.Hamming.distance)], True,
                    2000),
        "indel": (_swar.indel_score, _swar.indel_scores, [("rapidfuzz", rf and rf.Indel.distance)], False, 2000),
        "jaro": (_swar.jaro_similarity, _swar.jaro_similarities,
                 [("rapidfuzz", rf and rf.Jaro.similarity), ("jellyfish", jellyfish and jellyfish.jaro_similarity)],
                 False, 2000),
        "jaro_winkler": (_swar.jaro_winkler_similarity, _swar.jaro_winkler_similarities,
                         [("rapidfuzz", rf and rf.JaroWinkler.similarity),
                          ("jellyfish", jellyfish and jellyfish.jaro_winkler_similarity)], False, 2000),
        "true_dl": (_swar.true_damerau_levenshtein_score, _swar.true_damerau_levenshtein_scores,
                    [("rapidfuzz", rf and rf.DamerauLevenshtein.distance),
                     ("jellyfish", jellyfish and jellyfish.damerau_levenshtein_distance)], False, 200),
    }
    return {k: (a, b, [(n, f) for n, f in peers if f], eq, longest) for k, (a, b, peers, eq, longest) in table.items()}


def agree(a, b):
    return a == b if isinstance(a, int) else abs(a - b) <= 1e-12


def bench_other_pairs(rng, table):
    print("\nThe other edit distances, one pair per call (time per call; xN = peer time / ours)")
    for name, (ours_fn, _, peers, equal, longest) in table.items():
        for label, alphabet in (("ascii", ASCII), ("cyrillic", CYRILLIC)):
            for n in (8, 32, 64, 200, 2000):
                if n > longest:
                    continue
                count = 200 if n < 2000 else 20
                pairs = []
                for _ in range(count):
                    q = text(rng, alphabet, n)
                    pairs.append((q, edited(rng, alphabet, q, keep_length=equal)))
                for q, t in pairs[:5]:
                    for _, fn in peers:
                        assert agree(ours_fn(q, t), fn(q, t)), (name, q, t)
                # The unrestricted distance fills an n x n table.
                cells = max(1, n * n // 4096) if name == "true_dl" else max(1, n // 64)
                number = max(1, 20000 // (count * cells))
                ours = best_time(pair_loop(ours_fn, pairs), number) / count
                timed = [(p, best_time(pair_loop(fn, pairs), number) / count) for p, fn in peers]
                row(f"{name} {label} {n}", ours, timed)


def bench_other_batches(rng, table):
    print("\nThe other edit distances, one query against 100,000 targets (time per call)")
    for name, (ours_fn, batch_fn, peers, equal, _) in table.items():
        query = text(rng, ASCII, 16)
        if equal:
            targets = [edited(rng, ASCII, query, keep_length=True) for _ in range(100_000)]
        else:
            targets = [text(rng, ASCII, rng.randrange(5, 31)) for _ in range(100_000)]
        got = batch_fn(query, targets)
        assert all(agree(ours_fn(query, t), g) for t, g in zip(targets[:50], got.tolist()))
        ours = best_time(lambda: batch_fn(query, targets), 1)
        timed = []
        for peer, fn in peers:
            if peer == "rapidfuzz":
                # Our Hamming refuses unequal lengths; the peer pads unless told not to.
                kwargs = {"pad": False} if name == "hamming" else None
                timed.append(("rapidfuzz cdist", best_time(
                    lambda: rf_process.cdist([query], targets, scorer=fn, workers=1, scorer_kwargs=kwargs), 1)))
            timed.append((f"{peer} loop", best_time(lambda: [fn(query, t) for t in targets], 1)))
        row(f"{name} batch", ours, timed)


# Scorer id -> (our top-k function, its keyword-only k, the rapidfuzz scorer's
# name, the id of its normalised form for cdist_top_k_one_query).
RANKED = {
    0: ("levenshtein_top_k", "Levenshtein.distance", 1),
    1: ("levenshtein_normalized_top_k", "Levenshtein.normalized_similarity", 1),
    6: ("jaro_top_k", "Jaro.similarity", 6),
    7: ("jaro_winkler_top_k", "JaroWinkler.similarity", 7),
    8: ("indel_top_k", "Indel.distance", 9),
}
NORMALIZED_PEER = {1: "Levenshtein.normalized_similarity", 6: "Jaro.similarity", 7: "JaroWinkler.similarity",
                   9: "Indel.normalized_similarity"}


def rf_scorer(name):
    family, method = name.split(".")
    return getattr(getattr(rf, family), method)


def same_scores(ours, peers):
    """The k best scores agree (ties may pick other targets)."""
    a, b = sorted(ours), sorted(peers)
    return len(a) == len(b) and all(abs(x - y) <= 1e-12 for x, y in zip(a, b))


def bench_ranking(rng):
    print("\nRanking one query against 100,000 choices of 5 to 30 letters (time per call; xN = rapidfuzz "
          "process.extract / ours)")
    query = text(rng, ASCII, 16)
    choices = [text(rng, ASCII, rng.randrange(5, 31)) for _ in range(100_000)]

    def timed(fn):
        # Each call is short next to the noise of a shared machine: more tries.
        return best_time(fn, 1, repeat=9)

    def peer_time(scorer_name, k):
        if rf is None:
            return []
        scorer = rf_scorer(scorer_name)
        return [("rapidfuzz",
                 timed(lambda: rf_process.extract(query, choices, scorer=scorer, limit=k, processor=None)))]

    def peer_scores(scorer_name, k):
        return [s for _, s, _ in rf_process.extract(query, choices, scorer=rf_scorer(scorer_name), limit=k,
                                                    processor=None)]

    for scorer, (top_k_name, peer_name, normalized) in RANKED.items():
        top_k = getattr(_swar, top_k_name)
        keyword_k = scorer == 7  # jaro_winkler_top_k takes k by keyword only
        for k in (5, 100):
            got = _swar.extract(query, choices, scorer=scorer, k=k)
            if rf is not None:
                assert same_scores([s for _, s, _ in got], peer_scores(peer_name, k)), (scorer, k)
            peers = peer_time(peer_name, k)
            row(f"extract scorer={scorer} k={k}", timed(lambda: _swar.extract(query, choices, scorer=scorer, k=k)),
                peers)
            call = (lambda: top_k(query, choices, k=k)) if keyword_k else (lambda: top_k(query, choices, k))
            row(f"{top_k_name} k={k}", timed(call), peers)
    for scorer, peer_name in NORMALIZED_PEER.items():
        for k in (5, 100):
            peers = peer_time(peer_name, k)
            for pruning in (False, True):
                got = _swar.cdist_top_k_one_query(query, choices, scorer=scorer, k=k, pruning=pruning)
                if rf is not None:
                    assert same_scores([s for s, _ in got], peer_scores(peer_name, k)), (scorer, k)
                ours = timed(lambda: _swar.cdist_top_k_one_query(query, choices, scorer=scorer, k=k, pruning=pruning))
                row(f"cdist_top_k_one_query {scorer} k={k}{' pruned' if pruning else ''}", ours, peers)

    # Token lists: the same query and choices as lists of letters, which take
    # the token path (each pair's items numbered afresh) and whose query the
    # calls read once.
    query, choices = list(query), [list(c) for c in choices]
    for scorer, (top_k_name, peer_name, normalized) in RANKED.items():
        if scorer != 0:
            continue
        k = 5
        peers = peer_time(peer_name, k)
        row(f"extract scorer={scorer} k={k} lists", timed(lambda: _swar.extract(query, choices, scorer=scorer, k=k)),
            peers)
        row(f"{top_k_name} k={k} lists", timed(lambda: getattr(_swar, top_k_name)(query, choices, k)), peers)
        peers = peer_time(NORMALIZED_PEER[normalized], k)
        for pruning in (False, True):
            got = _swar.cdist_top_k_one_query(query, choices, scorer=normalized, k=k, pruning=pruning)
            if rf is not None:
                assert same_scores([s for s, _ in got], peer_scores(NORMALIZED_PEER[normalized], k))
            ours = timed(lambda: _swar.cdist_top_k_one_query(query, choices, scorer=normalized, k=k, pruning=pruning))
            row(f"cdist_top_k_one_query {normalized} k={k}{' pruned' if pruning else ''} lists", ours, peers)


# Many queries against many names, as a user deduplicating a list of company
# names runs it: synthetic names of one to three capitalised words of two to
# four syllables, half of them with a legal suffix; the queries are names of
# the list, each with one typo, so that each finds its source unless it has
# fewer than seven characters (one edit in six is below 0.85).
SYLLABLES = [c + v for c in "bcdfghklmnprstvz" for v in "aeiou"]
SUFFIXES = ("Ltd", "Inc", "GmbH", "LLC", "SA", "plc", "& Co", "Group", "Holdings")
MANY_QUERIES, MANY_NAMES, THRESHOLD = 2_000, 50_000, 0.85


def company_name(rng):
    words = ["".join(rng.choice(SYLLABLES) for _ in range(rng.randint(2, 4))).capitalize()
             for _ in range(rng.randint(1, 3))]
    if rng.random() < 0.5:
        words.append(rng.choice(SUFFIXES))
    return " ".join(words)


def normalized_hits(query, names, longest):
    """Indices of the names whose normalised Levenshtein similarity to query
    reaches THRESHOLD. The batch takes one distance cutoff for every target:
    the largest distance that can still reach it, against the longest name."""
    cutoff = int((1 - THRESHOLD) * max(len(query), longest))
    scores = _swar.levenshtein_normalized_scores(query, names, score_cutoff=cutoff)
    return np.flatnonzero(scores >= THRESHOLD)


_pool_names = None


def _keep_names(names):
    global _pool_names
    _pool_names = (names, max(map(len, names)))


def _chunk_hits(queries):
    names, longest = _pool_names
    return [normalized_hits(q, names, longest) for q in queries]


def bench_many():
    rng = random.Random(MANY_NAMES)
    cores = len(os.sched_getaffinity(0))
    names = [company_name(rng) for _ in range(MANY_NAMES)]
    queries = [edited(rng, ASCII, rng.choice(names), fraction=0.01) for _ in range(MANY_QUERIES)]
    longest = max(map(len, names))
    print(f"\n{MANY_QUERIES:,} queries against {MANY_NAMES:,} company names of {min(map(len, names))} to {longest} "
          f"characters (mean {sum(map(len, names)) / len(names):.1f}), each query a name with one typo; normalised "
          f"Levenshtein similarity >= {THRESHOLD}, hits as (query, name) index pairs; {cores} cores, load average "
          f"{os.getloadavg()[0]:.2f} (wall time per call, best of 3; xN = peer time / ours)")

    def ours(batch, cutoff):
        if cutoff:
            return [normalized_hits(q, names, longest) for q in batch]
        return [np.flatnonzero(_swar.levenshtein_normalized_scores(q, names) >= THRESHOLD) for q in batch]

    def ours_processes():
        chunks = [queries[i::cores] for i in range(cores)]
        with ProcessPoolExecutor(cores, initializer=_keep_names, initargs=(names,)) as pool:
            hits = [None] * len(queries)
            for i, chunk_hits in enumerate(pool.map(_chunk_hits, chunks)):
                hits[i::cores] = chunk_hits
            return hits

    def peer(batch, workers, cutoff):
        similarities = rf_process.cdist(batch, names, scorer=rf_lev.normalized_similarity,
                                        score_cutoff=THRESHOLD if cutoff else None, workers=workers)
        return np.nonzero(similarities >= THRESHOLD)

    def timed(fn):
        return best_time(fn, 1, repeat=3)

    pairs = {(i, j) for i, hits in enumerate(ours(queries, True)) for j in hits.tolist()}
    print(f"  {len(pairs):,} hits")
    for hits_per_query in (ours(queries, False), ours_processes()):
        assert {(i, j) for i, hits in enumerate(hits_per_query) for j in hits.tolist()} == pairs
    for cutoff in (True, False):
        peers = []
        if rf_lev is not None:
            assert set(zip(*(a.tolist() for a in peer(queries, 1, cutoff)))) == pairs
            peers = [("rapidfuzz cdist workers=1", timed(lambda: peer(queries, 1, cutoff)))]
            if cutoff:
                peers.append((f"workers=-1 ({cores})", timed(lambda: peer(queries, -1, cutoff))))
        name = "levenshtein_normalized_scores loop" if cutoff else "the same, no cutoff on either side"
        row(name, timed(lambda: ours(queries, cutoff)), peers, unit="s")
        if cutoff:
            row(f"the loop split over {cores} processes", timed(ours_processes), peers, unit="s")

    few = queries[:100]
    print(f"\nOne query at a time against the same {MANY_NAMES:,} names (the first {len(few)} queries; time per "
          "query)")
    for cutoff in (True, False):
        peers = [] if rf_lev is None else [("rapidfuzz cdist([query]) workers=1",
                                            timed(lambda: [peer([q], 1, cutoff) for q in few]) / len(few))]
        name = "levenshtein_normalized_scores" if cutoff else "the same, no cutoff on either side"
        row(name, timed(lambda: ours(few, cutoff)) / len(few), peers, unit="ms")


def main():
    rng = random.Random(2024)
    print(f"peers: rapidfuzz {'yes' if rf_lev else 'missing'}, Levenshtein {'yes' if py_lev else 'missing'}, "
          f"jellyfish {'yes' if jellyfish else 'missing'}, edlib {'yes' if edlib else 'missing'}")
    only = set(sys.argv[1:])
    if not only or "levenshtein" in only:
        bench_pairs(rng)
        bench_batch(rng)
    if not only or "long" in only:
        bench_long(rng)
    if not only or "tokens" in only:
        bench_token_alphabets()
    table = {k: v for k, v in other_metrics().items() if not only or k in only}
    if table:
        bench_other_pairs(rng, table)
        bench_other_batches(rng, table)
    if not only or "top_k" in only:
        bench_ranking(rng)
    if not only or "many" in only:
        bench_many()
    return 0


if __name__ == "__main__":
    sys.exit(main())
