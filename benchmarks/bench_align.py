"""Alignment score benchmark: veltrocamber against parasail, measured in one run.

Run by hand from a build (PYTHONPATH=<build>/python python benchmarks/bench_align.py).
Times are CPU seconds of this process (the machine may be shared), best of
a few rounds. Ratios above 1 mean veltrocamber is faster.

Cases, each for a DNA and a 20-letter alphabet, local and global, linear
and affine gaps:
  - one query of 30 against 10,000 targets of 30-60 (per-call and batch
    overhead): our batch functions (smith_waterman_farrar_scores among
    them, as "farrar") against a Python loop over parasail, and the local
    scores again with the query as a list of letters (ours only);
  - one pair of 500 x 500 and one of 2,000 x 2,000.
Peers: parasail's striped 16-bit functions (sw_striped_16 / nw_striped_16)
and its plain scalar ones (sw / nw), with the same scoring (parasail takes
positive penalties; a gap of k symbols costs open + (k-1) * extend).
Then the striped Smith-Waterman scores and the prepared score objects:
  - pairs of 30 x 60 and 2,000 x 2,000 scored again and again through
    _smith_waterman_farrar_score_prepared (linear gaps) and
    _smith_waterman_affine_score_prepared (affine gaps), against
    smith_waterman_farrar_score on the same pair and against parasail's
    profile reuse (profile_create_16 once, sw_striped_profile_16 per call);
Then cell updates per second of our striped kernels per lane width (through
the test hooks, one profile run many times) and of the width-64 kernels.
Then substitution-matrix mode with BLOSUM62 and gaps -11/-1 against parasail
with its blosum62: the 30 x 10,000 batch (smith_waterman_affine_scores_matrix
against Python loops of sw_striped_16 and sw), single pairs of 500 x 500 and
2,000 x 2,000 against both, and smith_waterman_affine_path_info_matrix at
2,000 x 2,000 against sw_trace_striped_16 (time, and peak memory measured in
a fresh process each).

Last, proteins of typical lengths (100, 300 and 1,000 residues, uniformly
random letters), each length related (each target a copy of the query with
about 10 % edits: substitutions, insertions, deletions) and unrelated (two
random sequences), local and global with gaps -11/-1: one pair, and one query
against 200 targets of the same length; under BLOSUM62 through the
substitution-matrix functions (sequences encoded before timing) and under
match 5, mismatch -4 through the token functions on the letters. Peers:
parasail's striped 16-bit function and, for the pairs, its scalar one; for
the batches a Python loop of the striped function, and one over a profile
of the query made once (profile_create_16, sw/nw_striped_profile_16).

`python benchmarks/bench_align.py matrix` runs the substitution-matrix
section (BLOSUM62 against parasail's blosum62) only;
`python benchmarks/bench_align.py proteins` runs only the protein section,
best of five;
`python benchmarks/bench_align.py long` runs only the single pairs of
500 x 500 and 2,000 x 2,000, best of five;
`python benchmarks/bench_align.py global-lanes` runs only the global affine
pairs (2,000 x 2,000 protein 5/-4/-11/-1, 2,000 and 4,000 DNA 2/-3/-5/-2),
automatic width against each width given, and parasail's nw_striped_16;
`python benchmarks/bench_align.py related-lanes` runs only the related protein
pairs (10 % edits) of 6,000 to 8,000, local affine 5/-4/-11/-1, whose score
fits 16-bit lanes while their bound passes them from 6,554 on: no width
against width=32 and width=64, best of five;
`python benchmarks/bench_align.py batch` runs only the 30 x 10,000 batch rows,
best of five;
`python benchmarks/bench_align.py prepared` runs only the prepared-object rows
with no width given, best of five: one 300 x 300 pair (protein 5/-4/-11/-1,
DNA 1/-1/-3/-1) re-scored through _smith_waterman_affine_score_prepared
against the one-shot smith_waterman_score; and 5,000 objects (one query of
300 against 5,000 targets of 100-500), each prepared and scored once,
against the batch over the same targets: the local affine object against
smith_waterman_scores, the linear Farrar object (gap -4 protein, -2 DNA)
against smith_waterman_farrar_scores and smith_waterman_scores, the global
affine object against needleman_wunsch_scores;
`python benchmarks/bench_align.py lanes` runs only the lane-width rows: one
5,000 x 5,000 protein pair, local affine (5/-4/-11/-1), automatic width and
each width given, against parasail's sw_striped_16; and the striped 8- and
16-bit kernels on 1,000 x 1,000 DNA (1/-1/-3/-1) through the test hooks; and the
score pass of the Smith-Waterman CIGAR on a related and an unrelated 1,000 x 1,000
DNA pair (2/-1/-3/-1). Best of five or more.
"""

import random
import subprocess
import sys
import time

import veltrocamber as vc
from veltrocamber import _swar

try:
    import parasail
except ImportError:  # the ratios need it; our own figures do not
    parasail = None

try:
    from veltrocamber import _testhooks
except ImportError:
    _testhooks = None

ALPHABETS = {
    # name: (letters, match, mismatch, linear gap, affine open, affine extend)
    "dna": ("ACGT", 2, -3, -2, -5, -2),
    "protein": ("ACDEFGHIKLMNPQRSTVWY", 3, -1, -2, -5, -1),
}


def cpu_time(fn, min_time=0.2, rounds=3):
    """Best CPU seconds per call of fn over a few rounds."""
    best = float("inf")
    for _ in range(rounds):
        calls = 0
        start = time.process_time()
        while True:
            fn()
            calls += 1
            elapsed = time.process_time() - start
            if elapsed >= min_time:
                break
        best = min(best, elapsed / calls)
    return best


def random_text(rng, letters, n):
    return "".join(rng.choice(letters) for _ in range(n))


# "farrar" is the local score through smith_waterman_farrar_score(s).
def ours(kind, batch):
    if batch:
        return {"local": vc.smith_waterman_scores, "global": vc.needleman_wunsch_scores,
                "farrar": vc.smith_waterman_farrar_scores}[kind]
    return {"local": vc.smith_waterman_score, "global": vc.needleman_wunsch_score,
            "farrar": vc.smith_waterman_farrar_score}[kind]


def peer(kind, striped):
    local = kind != "global"
    if striped:
        return parasail.sw_striped_16 if local else parasail.nw_striped_16
    return parasail.sw if local else parasail.nw


def scoring(alphabet, affine):
    letters, match, mismatch, gap, gap_open, gap_extend = ALPHABETS[alphabet]
    if not affine:
        gap_open = gap_extend = gap
    keywords = dict(match_score=match, mismatch_score=mismatch, gap_open_score=gap_open, gap_extend_score=gap_extend)
    return letters, keywords, (-gap_open, -gap_extend, match, mismatch)


def row(label, ours_s, striped_s, scalar_s, cells):
    gcups = cells / ours_s / 1e9
    if striped_s is None:
        print(f"{label:44s} {ours_s * 1e3:10.3f} ms {gcups:7.3f} GCUPS")
        return
    print(f"{label:44s} {ours_s * 1e3:10.3f} ms {gcups:7.3f} GCUPS   "
          f"x{striped_s / ours_s:6.2f} vs striped16   x{scalar_s / ours_s:6.2f} vs scalar")


def check(a, b, label):
    if a != b:
        print(f"  !! {label}: scores differ ({a} vs {b})")


def bench_batch(rounds=2):
    print(f"\n== one query of 30 against 10,000 targets of 30-60 (best of {rounds}) ==")
    for alphabet in ALPHABETS:
        rng = random.Random(1)
        for affine in (False, True):
            letters, keywords, (p_open, p_extend, match, mismatch) = scoring(alphabet, affine)
            query = random_text(rng, letters, 30)
            targets = [random_text(rng, letters, rng.randint(30, 60)) for _ in range(10_000)]
            cells = 30 * sum(len(t) for t in targets)
            for kind in ("local", "global", "farrar"):
                label = f"{alphabet:8s} {kind:6s} {'affine' if affine else 'linear'}"
                fn = ours(kind, True)
                t_ours = cpu_time(lambda: fn(query, targets, **keywords), rounds=rounds)
                if parasail is None:
                    row(label, t_ours, None, None, cells)
                    continue
                matrix = parasail.matrix_create(letters, match, mismatch)
                striped, scalar = peer(kind, True), peer(kind, False)
                t_striped = cpu_time(lambda: [striped(query, t, p_open, p_extend, matrix).score for t in targets],
                                     rounds=rounds)
                t_scalar = cpu_time(lambda: [scalar(query, t, p_open, p_extend, matrix).score for t in targets],
                                    rounds=rounds)
                check(list(fn(query, targets[:200], **keywords)),
                      [scalar(query, t, p_open, p_extend, matrix).score for t in targets[:200]], label)
                row(label, t_ours, t_striped, t_scalar, cells)
            # The query as a list of letters: the token path (each pair's
            # items numbered afresh), with the query read once per call.
            tokens = list(query)
            fn = ours("local", True)
            check(list(fn(tokens, targets[:200], **keywords)), list(fn(query, targets[:200], **keywords)), "tokens")
            label = f"{alphabet:8s} local  {'affine' if affine else 'linear'} list query"
            row(label, cpu_time(lambda: fn(tokens, targets, **keywords), rounds=rounds), None, None, cells)


def bench_long(rounds=3):
    for n in (500, 2000):
        print(f"\n== one pair of {n} x {n} ==")
        for alphabet in ALPHABETS:
            rng = random.Random(n)
            for affine in (False, True):
                letters, keywords, (p_open, p_extend, match, mismatch) = scoring(alphabet, affine)
                query = random_text(rng, letters, n)
                target = query[: n // 2] + random_text(rng, letters, n // 10) + query[n // 2 + n // 10:]
                for kind in ("local", "global"):
                    label = f"{alphabet:8s} {kind:6s} {'affine' if affine else 'linear'}"
                    fn = ours(kind, False)
                    t_ours = cpu_time(lambda: fn(query, target, **keywords), rounds=rounds)
                    if parasail is None:
                        row(label, t_ours, None, None, n * n)
                        continue
                    matrix = parasail.matrix_create(letters, match, mismatch)
                    striped, scalar = peer(kind, True), peer(kind, False)
                    t_striped = cpu_time(lambda: striped(query, target, p_open, p_extend, matrix).score, rounds=rounds)
                    t_scalar = cpu_time(lambda: scalar(query, target, p_open, p_extend, matrix).score, rounds=rounds)
                    check(fn(query, target, **keywords), scalar(query, target, p_open, p_extend, matrix).score, label)
                    row(label, t_ours, t_striped, t_scalar, n * n)


def bench_prepared():
    print("\n== prepared striped scores, one pair scored again and again ==")
    print(f"{'':32s} {'prepared':>11s} {'vs one-shot':>12s} {'vs parasail profile':>20s}")
    for qlen, tlen in ((30, 60), (2000, 2000)):
        for alphabet in ALPHABETS:
            rng = random.Random(qlen + tlen)
            for affine in (False, True):
                letters, keywords, (p_open, p_extend, match, mismatch) = scoring(alphabet, affine)
                query = random_text(rng, letters, qlen)
                target = query[: qlen // 2] + random_text(rng, letters, tlen - qlen // 2)
                if affine:
                    prepared = _swar._prepare_smith_waterman_affine_score(query, target, **keywords)
                    score = _swar._smith_waterman_affine_score_prepared
                else:
                    prepared = _swar._prepare_smith_waterman_farrar_score(query, target, **keywords)
                    score = _swar._smith_waterman_farrar_score_prepared
                label = f"{qlen}x{tlen} {alphabet:8s} {'affine' if affine else 'linear'}"
                t_prepared = cpu_time(lambda: score(prepared))
                t_once = cpu_time(lambda: vc.smith_waterman_farrar_score(query, target, **keywords))
                line = f"{label:32s} {t_prepared * 1e6:9.2f}us {t_once / t_prepared:11.2f}x"
                if parasail is not None:
                    matrix = parasail.matrix_create(letters, match, mismatch)
                    profile = parasail.profile_create_16(query, matrix)
                    t_peer = cpu_time(lambda: parasail.sw_striped_profile_16(profile, target, p_open, p_extend).score)
                    check(score(prepared), parasail.sw(query, target, p_open, p_extend, matrix).score, label)
                    line += f" {t_peer / t_prepared:19.2f}x"
                print(line)


PREPARED_ROWS = {
    # name: (letters, match, mismatch, affine open, affine extend, linear gap)
    "protein": ("ACDEFGHIKLMNPQRSTVWY", 5, -4, -11, -1, -4),
    "dna": ("ACGT", 1, -1, -3, -1, -2),
}


def bench_prepared_rows(rounds=5):
    print(f"\n== prepared objects, no width: one 300 x 300 pair re-scored (best of {rounds}; "
          "ratio = one-shot / prepared) ==")
    for name, (letters, match, mismatch, gap_open, gap_extend, _) in PREPARED_ROWS.items():
        rng = random.Random(300)
        q, t = random_text(rng, letters, 300), random_text(rng, letters, 300)
        keywords = dict(match_score=match, mismatch_score=mismatch, gap_open_score=gap_open,
                        gap_extend_score=gap_extend)
        prepared = _swar._prepare_smith_waterman_affine_score(q, t, **keywords)
        check(_swar._smith_waterman_affine_score_prepared(prepared), vc.smith_waterman_score(q, t, **keywords), name)
        t_prepared = cpu_time(lambda: _swar._smith_waterman_affine_score_prepared(prepared), rounds=rounds)
        t_once = cpu_time(lambda: vc.smith_waterman_score(q, t, **keywords), rounds=rounds)
        print(f"{name:8s} prepared {t_prepared * 1e6:8.2f} us   smith_waterman_score {t_once * 1e6:8.2f} us   "
              f"ratio {t_once / t_prepared:5.2f}")
    print(f"\n== 5,000 prepared objects, each prepared and scored once, against the batch (best of {rounds}; "
          "ratio = objects / batch) ==")
    for name, (letters, match, mismatch, gap_open, gap_extend, gap) in PREPARED_ROWS.items():
        rng = random.Random(5000)
        q = random_text(rng, letters, 300)
        targets = [random_text(rng, letters, rng.randint(100, 500)) for _ in range(5000)]
        affine = dict(match_score=match, mismatch_score=mismatch, gap_open_score=gap_open,
                      gap_extend_score=gap_extend)
        linear = dict(match_score=match, mismatch_score=mismatch, gap_score=gap)
        cases = [
            ("local affine", _swar._prepare_smith_waterman_affine_score, _swar._smith_waterman_affine_score_prepared,
             affine, [("smith_waterman_scores", vc.smith_waterman_scores)]),
            ("Farrar linear", _swar._prepare_smith_waterman_farrar_score,
             _swar._smith_waterman_farrar_score_prepared, linear,
             [("smith_waterman_farrar_scores", vc.smith_waterman_farrar_scores),
              ("smith_waterman_scores", vc.smith_waterman_scores)]),
            ("global affine", _swar._prepare_needleman_wunsch_affine_score,
             _swar._needleman_wunsch_affine_score_prepared, affine,
             [("needleman_wunsch_scores", vc.needleman_wunsch_scores)]),
        ]
        for label, prepare, score, keywords, batches in cases:
            def objects():
                return [score(prepare(q, t, **keywords)) for t in targets]

            check(objects(), batches[0][1](q, targets, **keywords).tolist(), f"{name} {label}")
            t_objects = cpu_time(objects, min_time=0.05, rounds=rounds)
            line = f"{name:8s} {label:14s} objects {t_objects * 1e3:8.1f} ms"
            for batch_name, batch in batches:
                t_batch = cpu_time(lambda: batch(q, targets, **keywords), min_time=0.05, rounds=rounds)
                line += f"   {batch_name} {t_batch * 1e3:8.1f} ms ratio {t_objects / t_batch:5.2f}"
            print(line)


def bench_lanes():
    print("\n== cell updates per second by lane width (DNA, match 1, mismatch -1) ==")
    rng = random.Random(3)
    if _testhooks is not None:
        # 8-bit lanes hold bounds below 128 only: 64 x 63 symbols with unit values.
        for width, n in ((8, 64), (16, 2000), (32, 2000)):
            q = list(random_text(rng, "ACGT", n).encode())
            t = list(random_text(rng, "ACGT", n - 1).encode())
            repeats = max(1, 20_000_000 // (n * n))
            for kind, gap_open, gap_extend in (("local_affine", -3, -1), ("global_affine", -3, -1),
                                               ("local_linear", -1, -1)):
                seconds = cpu_time(lambda: _testhooks.striped_repeat(kind, width, q, t, 1, -1, gap_open, gap_extend,
                                                                     repeats), rounds=2)
                print(f"striped {width:2d}-bit lanes  {kind:14s} {len(q) * len(t) * repeats / seconds / 1e9:7.3f} GCUPS")
    else:
        print("(the striped per-lane figures need the _testhooks module)")
    q, t = random_text(rng, "ACGT", 2000), random_text(rng, "ACGT", 2000)
    for label, fn, keywords in (
        ("width 64 local affine (wide scalar)", vc.smith_waterman_score, dict(gap_open_score=-3, gap_extend_score=-1)),
        ("width 64 global affine (wide scalar)", vc.needleman_wunsch_score,
         dict(gap_open_score=-3, gap_extend_score=-1)),
        ("width 64 local linear (scalar)", vc.smith_waterman_score, dict(gap_score=-1)),
    ):
        seconds = cpu_time(lambda: fn(q, t, match_score=1, mismatch_score=-1, width=64, **keywords), rounds=2)
        print(f"{label:40s} {2000 * 2000 / seconds / 1e9:7.3f} GCUPS")


PROTEIN = "ARNDCQEGHILKMFPSTWYV"


def matrix_row(label, ours_s, peers):
    text = "   ".join(f"x{peer_s / ours_s:6.2f} vs {name}" for name, peer_s in peers)
    print(f"{label:44s} {ours_s * 1e3:10.3f} ms   {text}")


def peak_rss_mib(setup, call):
    """Peak resident memory that `call` adds, in a fresh interpreter after
    `setup` (Linux: the high-water mark is reset just before the call)."""
    code = (
        setup + "\n"
        "def status(key):\n"
        "    for line in open('/proc/self/status'):\n"
        "        if line.startswith(key):\n"
        "            return int(line.split()[1])\n"
        "open('/proc/self/clear_refs', 'w').write('5')\n"
        "before = status('VmRSS:')\n" + call + "\n"
        "print(status('VmHWM:') - before)"
    )
    out = subprocess.run([sys.executable, "-c", code], check=True, capture_output=True, text=True).stdout
    return int(out.split()[-1]) / 1024


def bench_matrix():
    m = vc.SubstitutionMatrix.blosum62()
    buf, stride = m.buffer, m.stride
    print("\n== substitution matrix (BLOSUM62, gaps -11/-1): one query of 30 against 10,000 targets of 30-60 ==")
    rng = random.Random(62)
    query = random_text(rng, PROTEIN, 30)
    targets = [random_text(rng, PROTEIN, rng.randint(30, 60)) for _ in range(10_000)]
    q_codes, t_codes = m.encode(query), [m.encode(t) for t in targets]
    t_ours = cpu_time(lambda: vc.smith_waterman_affine_scores_matrix(q_codes, t_codes, buf, stride, -11, -1),
                      rounds=3)
    if parasail is None:
        print(f"smith_waterman_affine_scores_matrix {t_ours * 1e3:.3f} ms (parasail not installed)")
        return
    pm = parasail.blosum62
    t_striped = cpu_time(lambda: [parasail.sw_striped_16(query, t, 11, 1, pm).score for t in targets], rounds=3)
    t_scalar = cpu_time(lambda: [parasail.sw(query, t, 11, 1, pm).score for t in targets], rounds=3)
    check(vc.smith_waterman_affine_scores_matrix(q_codes, t_codes[:300], buf, stride, -11, -1),
          [parasail.sw(query, t, 11, 1, pm).score for t in targets[:300]], "batch")
    matrix_row("smith_waterman_affine_scores_matrix", t_ours, [("sw_striped_16 loop", t_striped),
                                                              ("sw loop", t_scalar)])
    for n in (500, 2000):
        print(f"\n== substitution matrix: one pair of {n} x {n} ==")
        rng = random.Random(n)
        q = random_text(rng, PROTEIN, n)
        t = q[: n // 2] + random_text(rng, PROTEIN, n // 10) + q[n // 2 + n // 10:]
        qc, tc = m.encode(q), m.encode(t)
        for name, fn, peer_fns in (
            ("smith_waterman_affine_score_matrix", vc.smith_waterman_affine_score_matrix,
             (("sw_striped_16", parasail.sw_striped_16), ("sw", parasail.sw))),
            ("needleman_wunsch_affine_score_matrix", vc.needleman_wunsch_affine_score_matrix,
             (("nw_striped_16", parasail.nw_striped_16), ("nw", parasail.nw))),
        ):
            t_ours = cpu_time(lambda: fn(qc, tc, buf, stride, -11, -1), rounds=5)
            peers = [(label, cpu_time(lambda: peer_fn(q, t, 11, 1, pm).score, rounds=5))
                     for label, peer_fn in peer_fns]
            check(fn(qc, tc, buf, stride, -11, -1), peer_fns[-1][1](q, t, 11, 1, pm).score, name)
            matrix_row(name, t_ours, peers)
    print("\n== substitution matrix: smith_waterman_affine_path_info_matrix, 2,000 x 2,000 ==")
    rng = random.Random(2000)
    q = random_text(rng, PROTEIN, 2000)
    t = q[:1000] + random_text(rng, PROTEIN, 200) + q[1200:]
    qc, tc = m.encode(q), m.encode(t)
    t_ours = cpu_time(lambda: vc.smith_waterman_affine_path_info_matrix(qc, tc, buf, stride, -11, -1))
    t_trace = cpu_time(lambda: parasail.sw_trace_striped_16(q, t, 11, 1, pm).cigar)
    check(vc.smith_waterman_affine_path_info_matrix(qc, tc, buf, stride, -11, -1).score,
          parasail.sw_trace_striped_16(q, t, 11, 1, pm).score, "path")
    matrix_row("smith_waterman_affine_path_info_matrix", t_ours, [("sw_trace_striped_16 + cigar", t_trace)])
    setup = (f"import random, veltrocamber as vc, parasail\nrng = random.Random(2000)\n"
             f"q = ''.join(rng.choice({PROTEIN!r}) for _ in range(2000))\n"
             f"t = q[:1000] + ''.join(rng.choice({PROTEIN!r}) for _ in range(200)) + q[1200:]\n"
             f"m = vc.SubstitutionMatrix.blosum62()\nqc, tc = m.encode(q), m.encode(t)")
    ours_mib = peak_rss_mib(setup, "vc.smith_waterman_affine_path_info_matrix(qc, tc, m.buffer, m.stride, -11, -1)")
    peer_mib = peak_rss_mib(setup, "parasail.sw_trace_striped_16(q, t, 11, 1, parasail.blosum62).cigar")
    print(f"peak memory added: ours {ours_mib:.1f} MiB, sw_trace_striped_16 {peer_mib:.1f} MiB")


PROTEIN_LENGTHS = (100, 300, 1000)
PROTEIN_TARGETS = 200
# The match/mismatch scoring the token functions take where a table is not
# needed (BLOSUM62's diagonal averages about 5, its off-diagonal about -1).
TOKEN_PROTEIN = dict(match_score=5, mismatch_score=-4, gap_open_score=-11, gap_extend_score=-1)


def protein_row(label, ours_s, cells, peers):
    text = "   ".join(f"{name} {peer_s * 1e3:9.3f} ms x{peer_s / ours_s:6.2f}" for name, peer_s in peers)
    print(f"{label:46s} {ours_s * 1e3:9.3f} ms {cells / ours_s / 1e9:6.3f} GCUPS   {text}")


def bench_proteins(rounds=5):
    # Proteins of typical lengths, one pair and one query against 200 targets
    # of the same length, each case related (10 % edits) and unrelated, under
    # BLOSUM62 with gaps -11/-1 (the matrix functions, indices encoded before
    # timing) and under 5/-4/-11/-1 (the token functions, on the letters).
    # Peers: parasail's striped 16-bit function, its scalar one for the pairs,
    # and for the batches a Python loop of the striped function with the
    # query's profile made once. Ratio = peer's time / ours.
    print(f"\n== proteins: pairs and one query against {PROTEIN_TARGETS} targets of the same length, "
          f"gaps -11/-1 (best of {rounds}; x = peer's time / ours) ==")
    blosum = vc.SubstitutionMatrix.blosum62()
    buf, stride = blosum.buffer, blosum.stride
    for n in PROTEIN_LENGTHS:
        for related in (True, False):
            rng = random.Random(2 * n + related)
            query = random_text(rng, PROTEIN, n)

            def partner():
                return edited_copy(rng, query, 0.10, PROTEIN) if related else random_text(rng, PROTEIN, n)

            target = partner()
            targets = [partner() for _ in range(PROTEIN_TARGETS)]
            qc, tc, tcs = blosum.encode(query), blosum.encode(target), [blosum.encode(t) for t in targets]
            pair_cells, batch_cells = len(query) * len(target), len(query) * sum(map(len, targets))
            print(f"\n{n} residues, {'related (10 % edits)' if related else 'unrelated'}")
            for local in (True, False):
                side = "sw" if local else "nw"
                scoring = [
                    ("BLOSUM62", parasail and parasail.blosum62,
                     (vc.smith_waterman_affine_score_matrix if local else vc.needleman_wunsch_affine_score_matrix,
                      lambda fn: fn(qc, tc, buf, stride, -11, -1)),
                     (vc.smith_waterman_affine_scores_matrix if local else vc.needleman_wunsch_affine_scores_matrix,
                      lambda fn: fn(qc, tcs, buf, stride, -11, -1))),
                    ("5/-4", parasail and parasail.matrix_create(PROTEIN, 5, -4),
                     (vc.smith_waterman_score if local else vc.needleman_wunsch_score,
                      lambda fn: fn(query, target, **TOKEN_PROTEIN)),
                     (vc.smith_waterman_scores if local else vc.needleman_wunsch_scores,
                      lambda fn: fn(query, targets, **TOKEN_PROTEIN))),
                ]
                for name, pm, (pair_fn, pair_call), (batch_fn, batch_call) in scoring:
                    pair_peers, batch_peers = [], []
                    if parasail is not None:
                        striped = getattr(parasail, f"{side}_striped_16")
                        scalar = getattr(parasail, side)
                        profiled = getattr(parasail, f"{side}_striped_profile_16")
                        profile = parasail.profile_create_16(query, pm)
                        check(pair_call(pair_fn), scalar(query, target, 11, 1, pm).score, f"{n} {name} pair")
                        check(list(batch_call(batch_fn)[:5]), [scalar(query, t, 11, 1, pm).score for t in targets[:5]],
                              f"{n} {name} batch")
                        pair_peers = [
                            (f"{side}_striped_16", cpu_time(lambda: striped(query, target, 11, 1, pm).score,
                                                            rounds=rounds)),
                            (side, cpu_time(lambda: scalar(query, target, 11, 1, pm).score, rounds=rounds))]
                        batch_peers = [
                            (f"{side}_striped_16 loop", cpu_time(
                                lambda: [striped(query, t, 11, 1, pm).score for t in targets], rounds=rounds)),
                            ("with profile", cpu_time(lambda: [profiled(profile, t, 11, 1).score for t in targets],
                                                      rounds=rounds))]
                    protein_row(f"{name:8s} {pair_fn.__name__}", cpu_time(lambda: pair_call(pair_fn), rounds=rounds),
                                pair_cells, pair_peers)
                    protein_row(f"{name:8s} {batch_fn.__name__}", cpu_time(lambda: batch_call(batch_fn),
                                                                          rounds=rounds), batch_cells, batch_peers)


def width_rows(label, fn, q, t, keywords, peer_name, t_peer):
    """One row per width: automatic, then each width the rule accepts for the
    pair (a narrower one raises ValueError and is skipped)."""
    for width in (None, 8, 16, 32, 64):
        extra = {} if width is None else {"width": width}
        try:
            fn(q, t, **keywords, **extra)
        except ValueError:
            continue
        seconds = cpu_time(lambda: fn(q, t, **keywords, **extra), min_time=0.5, rounds=5)
        name = "automatic width" if width is None else f"width={width}"
        line = f"{label}, {name:16s} {seconds * 1e3:9.2f} ms {len(q) * len(t) / seconds / 1e9:7.3f} GCUPS"
        if t_peer is not None:
            line += f"   {peer_name} {t_peer * 1e3:9.2f} ms   ratio {t_peer / seconds:5.2f}"
        print(line)


def bench_lane_rows():
    print("\n== one 5,000 x 5,000 protein pair, local affine 5/-4/-11/-1 (GCUPS; ratio = sw_striped_16 / ours) ==")
    rng = random.Random(5000)
    q, t = random_text(rng, PROTEIN, 5000), random_text(rng, PROTEIN, 5000)
    keywords = dict(match_score=5, mismatch_score=-4, gap_open_score=-11, gap_extend_score=-1)
    t_peer = None
    if parasail is not None:
        matrix = parasail.matrix_create(PROTEIN, 5, -4)
        t_peer = cpu_time(lambda: parasail.sw_striped_16(q, t, 11, 1, matrix).score, min_time=0.5, rounds=5)
        check(vc.smith_waterman_score(q, t, **keywords), parasail.sw(q, t, 11, 1, matrix).score, "5000 protein")
    width_rows("smith_waterman_score", vc.smith_waterman_score, q, t, keywords, "sw_striped_16", t_peer)
    if _testhooks is None:
        print("(the striped per-lane figures need the _testhooks module)")
        return
    print("\n== striped kernels, 1,000 x 1,000 DNA, local affine 1/-1/-3/-1 (test hooks) ==")
    rng = random.Random(1000)
    a = list(random_text(rng, "ACGT", 1000).encode())
    b = list(random_text(rng, "ACGT", 1000).encode())
    for width in (8, 16):
        seconds = cpu_time(lambda: _testhooks.striped_repeat("local_affine", width, a, b, 1, -1, -3, -1, 20),
                           min_time=0.5, rounds=5)
        print(f"striped {width:2d}-bit lanes, local affine {20e6 / seconds / 1e9:7.3f} GCUPS")
    bench_score_pass_pairs()


def edited_copy(rng, text, rate, letters="ACGT"):
    """text with about rate x len edits: substitutions, insertions, deletions."""
    out = []
    for ch in text:
        r = rng.random()
        if r < rate / 3:
            continue
        if r < 2 * rate / 3:
            out.append(rng.choice(letters))
        elif r < rate:
            out += [ch, rng.choice(letters)]
        else:
            out.append(ch)
    return "".join(out)


def bench_score_pass_pairs():
    # The score pass of the Smith-Waterman CIGAR (the local affine score with
    # its own width) on a related pair, whose best score rises at nearly every
    # column, and on an unrelated one: automatic width and width=16, and the
    # 16-bit striped kernel alone through the test hooks.
    print("\n== score pass, 1,000 x 1,000 DNA, local affine 2/-1/-3/-1: related (10 % edits) and unrelated ==")
    rng = random.Random(11)
    q = random_text(rng, "ACGT", 1000)
    keywords = dict(match_score=2, mismatch_score=-1, gap_open_score=-3, gap_extend_score=-1)
    for label, t in (("related", edited_copy(rng, q, 0.10)), ("unrelated", random_text(rng, "ACGT", 1000))):
        cells = len(q) * len(t)
        score = vc.smith_waterman_score(q, t, **keywords)
        line = f"{label:9s} (score {score:4d})"
        for width in (None, 16):
            extra = {} if width is None else {"width": width}
            seconds = cpu_time(lambda: vc.smith_waterman_score(q, t, **keywords, **extra), min_time=0.3, rounds=5)
            line += f"   {'automatic' if width is None else 'width=16'} {seconds * 1e3:6.3f} ms"
        if _testhooks is not None:
            a, b = list(q.encode()), list(t.encode())
            seconds = cpu_time(lambda: _testhooks.striped_repeat("local_affine", 16, a, b, 2, -1, -3, -1, 5),
                               min_time=0.3, rounds=5) / 5
            line += f"   16-bit kernel {seconds * 1e3:6.3f} ms ({cells / seconds / 1e9:5.3f} GCUPS)"
        print(line)


def bench_related_long_pairs(sizes=(6000, 6500, 7000, 7500, 8000)):
    # Related protein pairs (10 % edits) whose best local score, 5/-4/-11/-1,
    # still fits 16-bit lanes while the pair's provable bound (5 x n) passes
    # them from n = 6,554: no width against width=32 (the lanes the bound
    # picks) and width=64 (the plain wide kernel). Ratios above 1: the
    # automatic width is faster.
    print("\n== related protein pairs (10 % edits), local affine 5/-4/-11/-1, n x n (best of 5) ==")
    keywords = dict(match_score=5, mismatch_score=-4, gap_open_score=-11, gap_extend_score=-1)
    for n in sizes:
        rng = random.Random(n)
        q = random_text(rng, PROTEIN, n)
        t = edited_copy(rng, q, 0.10, PROTEIN)
        cells = len(q) * len(t)
        score = vc.smith_waterman_score(q, t, **keywords)
        seconds = {}
        for width in (None, 32, 64):
            extra = {} if width is None else {"width": width}
            check(vc.smith_waterman_score(q, t, **keywords, **extra), score, f"related {n} width={width}")
            seconds[width] = cpu_time(lambda: vc.smith_waterman_score(q, t, **keywords, **extra), min_time=0.3,
                                      rounds=5)
        print(f"n = {n:5d} (score {score:6d})   "
              + "   ".join(f"{'no width' if w is None else f'width={w}'} {cells / s / 1e9:5.3f} GCUPS"
                           for w, s in seconds.items())
              + f"   x{seconds[32] / seconds[None]:5.2f} vs width=32   x{seconds[64] / seconds[None]:5.2f} vs width=64")


def bench_global_lanes():
    # With no width given, the global striped kernel may run narrower lanes
    # than the width rule's when the pair's value range fits them.
    print("\n== global affine pairs, automatic width against each width given (ratio = nw_striped_16 / ours) ==")
    cases = [("protein", PROTEIN, 2000, (5, -4, -11, -1)), ("dna", "ACGT", 2000, (2, -3, -5, -2)),
             ("dna", "ACGT", 4000, (2, -3, -5, -2))]
    for name, letters, n, (match, mismatch, gap_open, gap_extend) in cases:
        rng = random.Random(n)
        q = random_text(rng, letters, n)
        t = q[: n // 2] + random_text(rng, letters, n // 10) + q[n // 2 + n // 10:]
        keywords = dict(match_score=match, mismatch_score=mismatch, gap_open_score=gap_open,
                        gap_extend_score=gap_extend)
        t_peer = None
        if parasail is not None:
            matrix = parasail.matrix_create(letters, match, mismatch)
            t_peer = cpu_time(lambda: parasail.nw_striped_16(q, t, -gap_open, -gap_extend, matrix).score,
                              min_time=0.5, rounds=5)
            check(vc.needleman_wunsch_score(q, t, **keywords),
                  parasail.nw(q, t, -gap_open, -gap_extend, matrix).score, f"{name} {n} global")
        print(f"{name} {n} x {n}, {match}/{mismatch}/{gap_open}/{gap_extend}")
        width_rows("  needleman_wunsch_score", vc.needleman_wunsch_score, q, t, keywords, "nw_striped_16", t_peer)


# One section alone: `python benchmarks/bench_align.py NAME`.
SECTIONS = {
    "lanes": bench_lane_rows,
    "related-lanes": bench_related_long_pairs,
    "global-lanes": bench_global_lanes,
    "prepared": bench_prepared_rows,
    "batch": lambda: bench_batch(rounds=5),
    "matrix": bench_matrix,
    "proteins": bench_proteins,
    "long": lambda: bench_long(rounds=5),
}


def main():
    if parasail is None:
        print("parasail is not installed: our own figures only")
    if len(sys.argv) == 2 and sys.argv[1] in SECTIONS:
        SECTIONS[sys.argv[1]]()
        return
    bench_batch()
    bench_long()
    bench_prepared()
    bench_prepared_rows()
    bench_lanes()
    bench_lane_rows()
    bench_related_long_pairs()
    bench_global_lanes()
    bench_matrix()
    bench_proteins()


if __name__ == "__main__":
    main()
