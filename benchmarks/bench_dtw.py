"""DTW timings against dtaidistance's C implementation, measured in one run.

    PYTHONPATH=build/dev/python python benchmarks/bench_dtw.py [--repeat N]

dtaidistance answers the square root of the summed squared differences, so
the square root of our l2_squared distance is compared with it; its window
counts shifts strictly below the value, so our radius r is its window r + 1.
Its fast functions take float64 only: the float32 rows give it the same
samples widened to float64. "ratio" is peer time / our time (above 1: we are
faster). dtaidistance runs single-threaded (parallel=False) for like with
like; its default parallel matrix is printed as an extra column.
"""

import argparse
import math
import time

import numpy as np

import veltrocamber as vc

try:
    from dtaidistance import dtw as peer
except ImportError:  # pragma: no cover
    peer = None


def best_time(fn, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def pair_case(rng, dtype, band, repeat):
    n = 1000
    x, y = rng.standard_normal(n).astype(dtype), rng.standard_normal(n).astype(dtype)
    radius = None if band is None else math.ceil(n * band)
    ours = best_time(lambda: vc.dtw(x, y, window=radius), repeat)
    row = {"ours": ours}
    if peer is not None:
        x64, y64 = x.astype(np.float64), y.astype(np.float64)
        kw = {} if radius is None else {"window": radius + 1}
        got, want = math.sqrt(vc.dtw(x64, y64, window=radius)), peer.distance_fast(x64, y64, **kw)
        assert math.isclose(got, want, rel_tol=1e-9), (got, want)
        row["peer"] = best_time(lambda: peer.distance_fast(x64, y64, **kw), repeat)
        row["peer_nopruning"] = best_time(lambda: peer.distance_fast(x64, y64, use_pruning=False, **kw), repeat)
    return row


def batch_case(rng, dtype, band, repeat):
    n, count = 256, 10_000
    q = rng.standard_normal(n).astype(dtype)
    targets = [rng.standard_normal(n).astype(dtype) for _ in range(count)]
    window = None if band is None else band
    ours = best_time(lambda: vc.dtw_distances(q, targets, window=window), repeat)
    row = {"ours": ours}
    if peer is not None:
        series = [q.astype(np.float64)] + [t.astype(np.float64) for t in targets]
        radius = None if band is None else math.ceil(n * band)
        kw = {} if radius is None else {"window": radius + 1}
        block = ((0, 1), (1, count + 1))

        def run(parallel):
            return peer.distance_matrix_fast(series, block=block, compact=True, parallel=parallel, **kw)

        got = np.sqrt(vc.dtw_distances(q.astype(np.float64), series[1:], window=window))
        assert np.allclose(got, run(False), rtol=1e-9)
        row["peer"] = best_time(lambda: run(False), repeat)
        row["peer_parallel"] = best_time(lambda: run(True), repeat)
    return row


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    rng = np.random.default_rng(1)
    if peer is None:
        print("dtaidistance is not installed: our timings only")
    header = f"{'case':44} {'ours ms':>9} {'peer ms':>9} {'ratio':>7} {'extra':>22}"
    print(header)
    print("-" * len(header))
    for label, case in (("dtw 1000 x 1000", pair_case), ("dtw_distances 256 vs 10,000 x 256", batch_case)):
        for dtype in ("float64", "float32"):
            for band in (None, 0.1):
                row = case(rng, dtype, band, args.repeat if case is pair_case else max(1, args.repeat // 2))
                name = f"{label} {dtype} {'band 10%' if band else 'no band'}"
                line = f"{name:44} {row['ours'] * 1e3:9.2f}"
                if "peer" in row:
                    line += f" {row['peer'] * 1e3:9.2f} {row['peer'] / row['ours']:7.2f}"
                    for key in ("peer_nopruning", "peer_parallel"):
                        if key in row:
                            extra = f"{key.split('_')[1]} {row[key] * 1e3:.2f} ms ({row[key] / row['ours']:.2f}x)"
                            line += f" {extra:>22}"
                print(line)


if __name__ == "__main__":
    main()
