"""Double Metaphone throughput against the peers that are installed.

Run by hand:  python benchmarks/bench_double_metaphone.py
Prints microseconds per name for each implementation and its time relative to
veltrocamber, all measured in this run over the same names.
"""

import pathlib
import random
import time

import veltrocamber

SURNAMES = pathlib.Path(__file__).resolve().parent.parent / "tests" / "data" / "surnames.txt"


def load_names():
    if SURNAMES.exists():
        names = [line.strip() for line in SURNAMES.read_text(encoding="utf-8").splitlines()]
        names = [n for n in names if n and not n.startswith("#")]
    else:
        rng = random.Random(7)
        names = ["".join(rng.choices("ABCDEFGHIJKLMNOPQRSTUVWXYZAEIOU", k=rng.randint(3, 10))) for _ in range(2000)]
    return names


def peers():
    found = {"veltrocamber": veltrocamber.double_metaphone}
    try:
        from metaphone import doublemetaphone

        found["metaphone"] = doublemetaphone
    except ImportError:
        pass
    try:
        from abydos.phonetic import DoubleMetaphone

        found["abydos"] = DoubleMetaphone(max_length=64).encode
    except ImportError:
        pass
    return found


def seconds_per_call(fn, names, repeats=5):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        for name in names:
            fn(name)
        best = min(best, time.perf_counter() - start)
    return best / len(names)


def main():
    names = load_names()
    results = {label: seconds_per_call(fn, names) for label, fn in peers().items()}
    ours = results["veltrocamber"]
    print(f"double_metaphone over {len(names)} names (best of 5 passes)")
    print(f"{'implementation':<14} {'us/name':>9} {'x ours':>8}")
    for label, t in results.items():
        print(f"{label:<14} {t * 1e6:9.3f} {t / ours:8.1f}")


if __name__ == "__main__":
    main()
