"""Traceback benchmark: smith_waterman_cigar and needleman_wunsch_path_info
against parasail's striped 16-bit traceback functions (sw_trace_striped_16,
nw_trace_striped_16, reading the CIGAR) with the same affine scoring, on
batches of 100 x 100 pairs and on 2,000 x 2,000 pairs; the prepared affine
CIGAR calls (objects prepared before timing, so the calls skip the score
pass) against their one-shot twins and parasail on the same pairs; then the
peak memory of one 20,000 x 20,000 affine smith_waterman_cigar (run in a
child process).

Linear memory: needleman_wunsch_cigar as an edit-distance path (match 0,
mismatch -1, gap -1) on related DNA pairs of 10,000 and 50,000 against
edlib.align(mode="NW", task="path") and, at 10,000, parasail's
nw_trace_scan_16, with needleman_wunsch_score on the same pair for scale;
and the peak memory of the checkpointed global CIGAR against the affine
needleman_wunsch_cigar at 20,000 x 20,000. Each of these runs in a child
process of its own, which reports its time and peak RSS (and the RSS of the
interpreter with the inputs loaded, before the call).

`--cigar-rows` runs only the smith_waterman_cigar rows of 1,000 x 1,000 DNA
(match 2, mismatch -1, gaps -3/-1), a related pair (10 % edits) and an
unrelated one, then unrelated pairs under stringent scorings (DNA
1/-3/-5/-2, protein 5/-4/-11/-1, whose best local alignments are short),
against sw_trace_striped_16 reading its CIGAR, best of
--repeats (at least five); there the ratio is parasail's time / ours (above
1: faster), with the prepared call (no score pass; its stored score does
not end a full fill early) shown beside it.

`--nw-path-rows` runs only the needleman_wunsch_path_info rows: related DNA
pairs (10 % edits) of 1,000 and 5,000 with the scoring above, against
nw_trace_striped_16 reading its CIGAR, best of --repeats (at least five),
ratio parasail's time / ours (above 1: faster).

Run by hand:  PYTHONPATH=build/dev/python python benchmarks/bench_traceback.py
Ratios are ours / parasail's time, measured in this run (below 1: faster).
"""

import argparse
import random
import subprocess
import sys
import time

from veltrocamber import _swar

MATCH, MISMATCH, OPEN, EXTEND = 2, -1, -3, -1
KW = dict(match_score=MATCH, mismatch_score=MISMATCH, gap_open_score=OPEN, gap_extend_score=EXTEND)


def related_pair(rng, n):
    """A random DNA sequence and a copy with about 10% substitutions and a
    few short indels, so that the alignments are long."""
    q = [rng.choice("ACGT") for _ in range(n)]
    t = []
    for c in q:
        r = rng.random()
        if r < 0.08:
            t.append(rng.choice("ACGT"))
        elif r < 0.09:
            continue
        elif r < 0.10:
            t.extend((c, rng.choice("ACGT")))
        else:
            t.append(c)
    return "".join(q), "".join(t)


def best_of(fn, repeats, clock=time.perf_counter):
    best = float("inf")
    for _ in range(repeats):
        start = clock()
        fn()
        best = min(best, clock() - start)
    return best


def compare(label, pairs, ours, theirs, repeats):
    t_ours = best_of(lambda: [ours(q, t) for q, t in pairs], repeats)
    if theirs is None:
        print(f"{label:<50} ours {t_ours * 1e3:9.2f} ms   parasail not installed")
        return
    t_theirs = best_of(lambda: [theirs(q, t) for q, t in pairs], repeats)
    print(f"{label:<50} ours {t_ours * 1e3:9.2f} ms   parasail {t_theirs * 1e3:9.2f} ms   "
          f"ratio {t_ours / t_theirs:6.2f}")


def compare_prepared(label, pairs, prepare, prepared_call, twin, theirs, repeats, same_text):
    """`same_text`: the twin takes the same banded-then-full road (the
    global twin is a full-matrix path, whose ties may differ from a band's)."""
    objects = [prepare(q, t, **KW) for q, t in pairs]
    if same_text:
        assert [prepared_call(obj) for obj in objects] == [twin(q, t) for q, t in pairs]
    t_prepared = best_of(lambda: [prepared_call(obj) for obj in objects], repeats)
    t_twin = best_of(lambda: [twin(q, t) for q, t in pairs], repeats)
    line = (f"{label:<64} prepared {t_prepared * 1e3:9.2f} ms   one-shot {t_twin * 1e3:9.2f} ms   "
            f"ratio {t_prepared / t_twin:6.2f}")
    if theirs is not None:
        t_theirs = best_of(lambda: [theirs(q, t) for q, t in pairs], repeats)
        line += f"   parasail {t_theirs * 1e3:9.2f} ms   ratio {t_prepared / t_theirs:6.2f}"
    print(line)


PEAK_CHILD = r"""
import random, resource, sys
sys.path[:0] = {path!r}
from veltrocamber import _swar
sys.path[:0] = [{bench_dir!r}]
from bench_traceback import related_pair, KW
rng = random.Random(20000)
if {related!r}:
    q, t = related_pair(rng, {n})
else:
    q = "".join(rng.choice("ACGT") for _ in range({n}))
    t = "".join(rng.choice("ACGT") for _ in range({n}))
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
text = _swar.smith_waterman_cigar(q, t, **KW)
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(before, after, len(text))
"""


def peak_memory(n, related):
    import os

    code = PEAK_CHILD.format(path=sys.path, bench_dir=os.path.dirname(os.path.abspath(__file__)), n=n,
                             related=related)
    start = time.perf_counter()
    out = subprocess.run([sys.executable, "-c", code], check=True, capture_output=True, text=True).stdout.split()
    elapsed = time.perf_counter() - start
    before, after, length = map(int, out)
    kind = "related pair (band accepted)" if related else "unrelated pair (full matrix)"
    print(f"{n} x {n} affine smith_waterman_cigar, {kind}: peak RSS {after / 1024:.0f} MiB "
          f"(+{(after - before) / 1024:.0f} MiB over the loaded inputs), CIGAR {length} chars, {elapsed:.1f} s")


# Unrelated 1,000 x 1,000 pairs under stringent scorings, whose best local
# alignments are short (the 2/-1/-3/-1 DNA pair above has a long one).
STRINGENT_ROWS = (
    ("unrelated DNA, 1/-3/-5/-2", "ACGT", (1, -3, -5, -2)),
    ("unrelated protein, 5/-4/-11/-1", "ARNDCQEGHILKMFPSTWYV", (5, -4, -11, -1)),
)


def cigar_rows(repeats, sw_theirs, sw_factory=None):
    repeats = max(repeats, 5)
    # CPU time of this process: the machine may be shared.
    def cpu_best(fn):
        return best_of(fn, repeats, time.process_time)

    rng = random.Random(1000)
    related = related_pair(rng, 1000)
    unrelated = tuple("".join(rng.choice("ACGT") for _ in range(1000)) for _ in range(2))
    print(f"smith_waterman_cigar, 1000 x 1000 DNA, match {MATCH}, mismatch {MISMATCH}, gaps {OPEN}/{EXTEND}; "
          f"best of {repeats}; ratio = parasail / ours")
    for label, (q, t) in (("related pair (10 % edits)", related), ("unrelated pair", unrelated)):
        prepared = _swar._prepare_smith_waterman_affine_cigar(q, t, **KW)
        t_ours = cpu_best(lambda: _swar.smith_waterman_cigar(q, t, **KW))
        t_fill = cpu_best(lambda: _swar._smith_waterman_affine_cigar_prepared(prepared))
        line = f"{label:<28} ours {t_ours * 1e3:7.3f} ms (prepared, no score pass, {t_fill * 1e3:7.3f} ms)"
        if sw_theirs is not None:
            t_theirs = cpu_best(lambda: sw_theirs(q, t))
            line += f"   sw_trace_striped_16 + cigar {t_theirs * 1e3:7.3f} ms   ratio {t_theirs / t_ours:5.2f}"
        print(line)
    for label, alphabet, (match, mismatch, open_, extend) in STRINGENT_ROWS:
        q, t = ("".join(rng.choice(alphabet) for _ in range(1000)) for _ in range(2))
        kw = dict(match_score=match, mismatch_score=mismatch, gap_open_score=open_, gap_extend_score=extend)
        t_ours = cpu_best(lambda: _swar.smith_waterman_cigar(q, t, **kw))
        line = f"{label:<32} ours {t_ours * 1e3:7.3f} ms"
        if sw_factory is not None:
            theirs = sw_factory(alphabet, match, mismatch, open_, extend)
            t_theirs = cpu_best(lambda: theirs(q, t))
            line += f"   sw_trace_striped_16 + cigar {t_theirs * 1e3:7.3f} ms   ratio {t_theirs / t_ours:5.2f}"
        print(line)


def nw_path_rows(repeats, nw_theirs):
    repeats = max(repeats, 5)

    def cpu_best(fn):
        return best_of(fn, repeats, time.process_time)

    rng = random.Random(5000)
    print(f"needleman_wunsch_path_info, related DNA pairs (10 % edits), match {MATCH}, mismatch {MISMATCH}, "
          f"gaps {OPEN}/{EXTEND}; best of {repeats}; ratio = parasail / ours")
    for n in (1000, 5000):
        q, t = related_pair(rng, n)
        t_ours = cpu_best(lambda: _swar.needleman_wunsch_path_info(q, t, **KW).cigar)
        line = f"{n} x {n:<6} ours {t_ours * 1e3:8.2f} ms"
        if nw_theirs is not None:
            t_theirs = cpu_best(lambda: nw_theirs(q, t))
            line += f"   nw_trace_striped_16 + cigar {t_theirs * 1e3:8.2f} ms   ratio {t_theirs / t_ours:5.2f}"
        print(line)


RUN_CHILD = r"""
import random, resource, sys, time
sys.path[:0] = {path!r}
sys.path[:0] = [{bench_dir!r}]
from bench_traceback import related_pair
rng = random.Random({seed})
q, t = related_pair(rng, {n})
{setup}
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
best = float("inf")
for _ in range({repeats}):
    start = time.perf_counter()
    result = {call}
    best = min(best, time.perf_counter() - start)
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(before, after, best)
"""

SETUPS = {
    "ours": "from veltrocamber import _swar",
    "edlib": "import edlib",
    "parasail": "import parasail; matrix = parasail.matrix_create('ACGT', 0, -1)",
}


def run_child(setup, call, n, repeats, seed=50000):
    """(seconds, peak RSS MiB, RSS MiB before the call) of `call` in a child."""
    import os

    code = RUN_CHILD.format(path=sys.path, bench_dir=os.path.dirname(os.path.abspath(__file__)), seed=seed, n=n,
                            setup=SETUPS[setup], call=call, repeats=repeats)
    out = subprocess.run([sys.executable, "-c", code], check=True, capture_output=True, text=True).stdout.split()
    before, after, seconds = int(out[0]), int(out[1]), float(out[2])
    return seconds, after / 1024, before / 1024


EDIT_KW = "match_score=0, mismatch_score=-1, gap_score=-1"


def linear_memory(repeats, lengths):
    print(f"edit-distance path (match 0, mismatch -1, gap -1), related DNA pairs; best of {repeats}, "
          "each in a child process")
    for n in lengths:
        rows = [("needleman_wunsch_cigar", "ours", f"_swar.needleman_wunsch_cigar(q, t, {EDIT_KW})"),
                ("needleman_wunsch_score", "ours", f"_swar.needleman_wunsch_score(q, t, {EDIT_KW})"),
                ("edlib.align NW path", "edlib", "edlib.align(q, t, mode='NW', task='path')['cigar']")]
        if n <= 10000:
            rows.append(("parasail nw_trace_scan_16", "parasail",
                         "parasail.nw_trace_scan_16(q, t, 1, 1, matrix).cigar.decode"))
        results = {}
        for label, setup, call in rows:
            try:
                results[label] = run_child(setup, call, n, repeats)
            except subprocess.CalledProcessError as error:
                print(f"  {n} x {n} {label}: failed ({error.stderr.strip().splitlines()[-1]})")
        ours = results.get("needleman_wunsch_cigar")
        for label, (seconds, peak, before) in results.items():
            ratio = f"   ours / this {ours[0] / seconds:6.2f}" if ours and label != "needleman_wunsch_cigar" else ""
            print(f"  {n} x {n} {label:<28} {seconds:8.3f} s   peak RSS {peak:7.0f} MiB "
                  f"(+{peak - before:5.0f} MiB over the loaded inputs){ratio}")


def checkpointed_memory(n):
    kw = "match_score=2, mismatch_score=-1, gap_open_score=-3, gap_extend_score=-1"
    print(f"{n} x {n} global affine CIGAR, related pair: peak memory")
    for label, call in (("_needleman_wunsch_affine_checkpointed_cigar",
                         f"_swar._needleman_wunsch_affine_checkpointed_cigar(q, t, {kw})"),
                        ("needleman_wunsch_cigar (affine)", f"_swar.needleman_wunsch_cigar(q, t, {kw})")):
        try:
            seconds, peak, before = run_child("ours", call, n, 1)
        except subprocess.CalledProcessError as error:
            print(f"  {label}: failed ({error.stderr.strip().splitlines()[-1]})")
            continue
        print(f"  {label:<44} {seconds:8.2f} s   peak RSS {peak:7.0f} MiB (+{peak - before:5.0f} MiB)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--batch", type=int, default=100, help="pairs in a 100 x 100 batch")
    parser.add_argument("--long-pairs", type=int, default=2, help="2,000 x 2,000 pairs")
    parser.add_argument("--peak-length", type=int, default=20000)
    parser.add_argument("--no-peak", action="store_true", help="skip the peak-memory runs")
    parser.add_argument("--only-linear-memory", action="store_true", help="skip the affine comparisons")
    parser.add_argument("--cigar-rows", action="store_true", help="only the 1,000 x 1,000 smith_waterman_cigar rows")
    parser.add_argument("--nw-path-rows", action="store_true",
                        help="only the 1,000 and 5,000 needleman_wunsch_path_info rows")
    args = parser.parse_args()

    if args.only_linear_memory:
        linear_memory(args.repeats, (10000, 50000))
        checkpointed_memory(args.peak_length)
        return

    try:
        import parasail
    except ImportError:
        parasail = None
    if parasail is not None:
        matrix = parasail.matrix_create("ACGT", MATCH, MISMATCH)

        def sw_theirs(q, t):
            return parasail.sw_trace_striped_16(q, t, -OPEN, -EXTEND, matrix).cigar.decode

        def nw_theirs(q, t):
            return parasail.nw_trace_striped_16(q, t, -OPEN, -EXTEND, matrix).cigar.decode

        def sw_factory(alphabet, match, mismatch, open_, extend):
            scores = parasail.matrix_create(alphabet, match, mismatch)
            return lambda q, t: parasail.sw_trace_striped_16(q, t, -open_, -extend, scores).cigar.decode
    else:
        sw_theirs = nw_theirs = sw_factory = None

    if args.cigar_rows:
        cigar_rows(args.repeats, sw_theirs, sw_factory)
        return
    if args.nw_path_rows:
        nw_path_rows(args.repeats, nw_theirs)
        return

    def sw_ours(q, t):
        return _swar.smith_waterman_cigar(q, t, **KW)

    def nw_ours(q, t):
        return _swar.needleman_wunsch_path_info(q, t, **KW).cigar

    rng = random.Random(6)
    if parasail is not None:  # same scoring on both sides: the scores agree
        for q, t in [related_pair(rng, 300) for _ in range(5)]:
            assert _swar.needleman_wunsch_path_info(q, t, **KW).score == parasail.nw_trace_striped_16(
                q, t, -OPEN, -EXTEND, matrix).score
            assert _swar.smith_waterman_path_info(q, t, **KW).score == parasail.sw_trace_striped_16(
                q, t, -OPEN, -EXTEND, matrix).score

    short = [related_pair(rng, 100) for _ in range(args.batch)]
    long_ = [related_pair(rng, 2000) for _ in range(args.long_pairs)]
    print(f"match {MATCH}, mismatch {MISMATCH}, gap open {OPEN}, gap extend {EXTEND}; best of {args.repeats}")
    compare(f"smith_waterman_cigar, {args.batch} pairs 100 x 100", short, sw_ours, sw_theirs, args.repeats)
    compare(f"needleman_wunsch_path_info, {args.batch} pairs 100 x 100", short, nw_ours, nw_theirs, args.repeats)
    compare(f"smith_waterman_cigar, {args.long_pairs} pairs 2000 x 2000", long_, sw_ours, sw_theirs, args.repeats)
    compare(f"needleman_wunsch_path_info, {args.long_pairs} pairs 2000 x 2000", long_, nw_ours, nw_theirs,
            args.repeats)
    for label, pairs in ((f"{args.batch} pairs 100 x 100", short), (f"{args.long_pairs} pairs 2000 x 2000", long_)):
        compare_prepared(f"_smith_waterman_affine_cigar_prepared, {label}", pairs,
                         _swar._prepare_smith_waterman_affine_cigar, _swar._smith_waterman_affine_cigar_prepared,
                         sw_ours, sw_theirs, args.repeats, True)
        compare_prepared(f"_needleman_wunsch_affine_cigar_prepared, {label}", pairs,
                         _swar._prepare_needleman_wunsch_affine_cigar,
                         _swar._needleman_wunsch_affine_cigar_prepared, nw_ours, nw_theirs, args.repeats, False)
    for related in () if args.no_peak else (True, False):
        peak_memory(args.peak_length, related)
    linear_memory(args.repeats, (10000, 50000))
    if not args.no_peak:
        checkpointed_memory(args.peak_length)


if __name__ == "__main__":
    main()
