"""The memory guard in front of the blocks that grow with the product of the
input lengths: the memory available (physical memory, the address-space limit
less what is mapped, the cgroup limit), the MemoryError texts, and a prompt
refusal under a lowered RLIMIT_AS."""

import math
import os
import re
import resource
import subprocess
import sys
import textwrap

import pytest

from child_interpreter import run_children, run_isolated
from latency import allowed
from reference.memory_limits import NO_LIMIT, cgroup_memory_limit, format_bytes
from veltrocamber import _swar

AFFINE = dict(gap_open_score=-3, gap_extend_score=-1)


def test_available_memory_is_the_smallest_source(hooks):
    physical = os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGESIZE")
    assert hooks.physical_memory_bytes() == physical
    assert hooks.cgroup_memory_limit_bytes() == cgroup_memory_limit()
    soft, _ = resource.getrlimit(resource.RLIMIT_AS)
    if soft == resource.RLIM_INFINITY:
        assert hooks.address_space_headroom_bytes() == NO_LIMIT
    assert hooks.available_memory_bytes() == min(
        physical, hooks.address_space_headroom_bytes(), hooks.cgroup_memory_limit_bytes())


def test_block_sizes_are_checked_before_allocation(hooks):
    available = hooks.available_memory_bytes()
    assert hooks.guarded_block_bytes("a block", 3, 5, 8) == 120
    assert hooks.guarded_block_bytes("a block", 0, 2**64 - 1, 8) == 0
    assert hooks.guarded_block_bytes("a block", available, 1, 1) == available
    room = format_bytes(available)
    with pytest.raises(MemoryError) as info:
        hooks.guarded_block_bytes("a block", available + 1, 1, 1)
    assert str(info.value) == (
        f"a block of {available + 1} x 1 cells ({format_bytes(available + 1)}) exceeds the memory available ({room})")
    # Cell and byte counts beyond 64 bits.
    for rows, columns, cell in [(2**32, 2**32, 1), (2**31, 2**31, 8), (2**64 - 1, 2, 1)]:
        with pytest.raises(MemoryError) as info:
            hooks.guarded_block_bytes("a block", rows, columns, cell)
        assert str(info.value) == (
            f"a block of {rows} x {columns} cells (more than 16 EiB) exceeds the memory available ({room})")
    with pytest.raises(MemoryError) as info:
        hooks.named_block_bytes("some_function", 2**20, 2**20, 2**20)
    assert str(info.value) == (
        f"some_function: a block of 1048576 x 1048576 cells (1.0 EiB) exceeds the memory available ({room})")


PATHS = ["smith_waterman_path", "smith_waterman_path_info", "needleman_wunsch_path", "needleman_wunsch_path_info"]
CIGARS = ["smith_waterman_cigar", "smith_waterman_trace_cigar", "_smith_waterman_cigar_digest"]
# The prepare functions refuse a pair that their prepared call would refuse, before their score pass.
PREPARES = ["_prepare_smith_waterman_affine_cigar", "_prepare_needleman_wunsch_affine_cigar"]


@pytest.mark.parametrize("name", PATHS + CIGARS + PREPARES)
@pytest.mark.parametrize("gaps", [{}, dict(gap_score=1), AFFINE], ids=["linear", "positive linear", "affine"])
def test_a_matrix_that_cannot_be_held_names_the_function(hooks, name, gaps):
    available = hooks.available_memory_bytes()
    side = math.isqrt(available) + 1
    with pytest.raises(MemoryError) as info:
        getattr(_swar, name)(b"A" * side, b"C" * side, **gaps)
    cells = (side + 1) ** 2
    assert str(info.value) == (
        f"{name}: a traceback matrix of {side + 1} x {side + 1} cells ({format_bytes(cells)}) exceeds the memory "
        f"available ({format_bytes(available)})")


@pytest.mark.parametrize(
    "name, call",
    [
        ("true_damerau_levenshtein_score", lambda q, t: _swar.true_damerau_levenshtein_score(q, t)),
        ("true_damerau_levenshtein_normalized_score", lambda q, t: _swar.true_damerau_levenshtein_normalized_score(q, t)),
        ("true_damerau_levenshtein_scores", lambda q, t: _swar.true_damerau_levenshtein_scores(q, [b"", t])),
        ("true_damerau_levenshtein_normalized_scores",
         lambda q, t: _swar.true_damerau_levenshtein_normalized_scores(q, [b"", t])),
        ("true_damerau_levenshtein_top_k", lambda q, t: _swar.true_damerau_levenshtein_top_k(q, [b"", t])),
        ("true_damerau_levenshtein_normalized_top_k",
         lambda q, t: _swar.true_damerau_levenshtein_normalized_top_k(q, [b"", t], 0)),
        ("extract", lambda q, t: _swar.extract(q, [b"", t], scorer=10)),
        ("extract", lambda q, t: _swar.extract(q, [b"", t], scorer=11)),
        ("cdist_top_k_one_query", lambda q, t: _swar.cdist_top_k_one_query(q, [b"", t], scorer=11, k=1)),
    ],
)
def test_a_distance_table_that_cannot_be_held_names_the_function(hooks, name, call):
    available = hooks.available_memory_bytes()
    side = math.isqrt(available // 8) + 1
    with pytest.raises(MemoryError) as info:
        call("a" * side, "\u0100" * side)  # the token path
    assert str(info.value) == (
        f"{name}: a distance table of {side + 2} x {side + 2} cells ({format_bytes((side + 2) ** 2 * 8)}) exceeds "
        f"the memory available ({format_bytes(available)})")


def sanitizer_loaded():
    with open("/proc/self/maps") as f:
        return "libasan" in f.read()


LOWERED_ADDRESS_SPACE = textwrap.dedent("""
    import random, resource, time
    limit = 8 * 2**30  # ulimit -v 8388608
    resource.setrlimit(resource.RLIMIT_AS, (limit, resource.getrlimit(resource.RLIMIT_AS)[1]))
    from veltrocamber import _swar, _testhooks
    rng = random.Random(1)
    q = "".join(rng.choice("ACGT") for _ in range(100_000))
    t = "".join(rng.choice("ACGT") for _ in range(100_000))
    print(_testhooks.address_space_headroom_bytes() < limit, _testhooks.available_memory_bytes() < limit)
    start = time.monotonic()
    try:
        _swar.smith_waterman_cigar(q, t, gap_open_score=-3, gap_extend_score=-1)
    except MemoryError as error:
        print(time.monotonic() - start)
        print(error)
    # A real allocation failure in a body without a guard (the token copy of
    # a 126 MB str with 200 MB of address space left): a text of ours.
    import os
    mapped = int(open("/proc/self/statm").read().split()[0]) * os.sysconf("SC_PAGESIZE")
    resource.setrlimit(resource.RLIMIT_AS, (mapped + 200 * 2**20, resource.getrlimit(resource.RLIMIT_AS)[1]))
    big = "\\U0001F600" * (30 * 2**20)
    try:
        _swar.levenshtein_score(big, "\\u0100")
    except MemoryError as error:
        print(error)
""")


@pytest.mark.skipif(sanitizer_loaded(), reason="AddressSanitizer cannot start under a lowered address space")
def test_a_lowered_address_space_refuses_at_once():
    pytest.importorskip("veltrocamber._testhooks")
    run = subprocess.run([sys.executable, "-c", LOWERED_ADDRESS_SPACE], capture_output=True, text=True, timeout=120,
                         env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
    assert run.returncode == 0, run.stderr
    limits, seconds, refusal, failure = run.stdout.splitlines()
    assert limits == "True True"
    # The score pass of this pair runs for tens of seconds: a refusal within
    # a second (on an idle machine) can only come from the guard before it.
    assert float(seconds) < allowed(1.0)
    assert refusal.startswith(
        "smith_waterman_cigar: a traceback matrix of 100001 x 100001 cells (9.3 GiB) exceeds the memory available (")
    assert failure == "not enough memory to complete the call"


PREPARE_UNDER_ONE_GIB = textwrap.dedent("""
    import random, resource
    resource.setrlimit(resource.RLIMIT_AS, (2**30, resource.getrlimit(resource.RLIMIT_AS)[1]))  # ulimit -v 1048576
    from veltrocamber import _swar
    rng = random.Random(1)
    q = "".join(rng.choice("ACGT") for _ in range(40_000))
    t = "".join(rng.choice("ACGT") for _ in range(40_000))
    for prepare, prepared in [
        (_swar._prepare_smith_waterman_affine_cigar, _swar._smith_waterman_affine_cigar_prepared),
        (_swar._prepare_needleman_wunsch_affine_cigar, _swar._needleman_wunsch_affine_cigar_prepared),
    ]:
        try:
            prepare(q, t, gap_open_score=-3, gap_extend_score=-1)
        except MemoryError as error:
            print(error)
        # A pair whose matrix fits is prepared and answered as before.
        print(prepared(prepare(q[:2000], q[:2000], gap_open_score=-3, gap_extend_score=-1)))
""")


@pytest.mark.skipif(sanitizer_loaded(), reason="AddressSanitizer cannot start under a lowered address space")
def test_preparing_a_cigar_object_under_a_lowered_address_space_refuses_the_pair():
    run = subprocess.run([sys.executable, "-c", PREPARE_UNDER_ONE_GIB], capture_output=True, text=True, timeout=120,
                         env={**os.environ, "PYTHONPATH": os.pathsep.join(sys.path)})
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    assert len(lines) == 4, run.stdout
    for name, refusal, answer in zip(PREPARES, lines[::2], lines[1::2]):
        assert refusal.startswith(
            f"{name}: a traceback matrix of 40001 x 40001 cells (1.5 GiB) exceeds the memory available ("), refusal
        assert answer == "2000="


# The edit distances on token sequences: pattern masks that grow with the
# length of the masked side, whatever its alphabet, sized before they are
# allocated. Each child lowers its address space to a little above what it
# maps once its inputs are made.
UNDER_A_LIMIT = """
    import os, resource
    def limit_to(extra_mib):
        mapped = int(open("/proc/self/statm").read().split()[0]) * os.sysconf("SC_PAGESIZE")
        resource.setrlimit(resource.RLIMIT_AS, (mapped + extra_mib * 2**20, resource.RLIM_INFINITY))
"""

DISTINCT_TOKENS = UNDER_A_LIMIT + """
    from veltrocamber import _swar
    n = 200_000
    a = list(range(n))
    b = a[::-1]
    limit_to(128)  # dense rows of every distinct token would take 5 GiB
    print(_swar.levenshtein_score(a, b), _swar.indel_score(a, b), _swar.jaro_similarity(a, b))
"""


@pytest.mark.skipif(sanitizer_loaded(), reason="AddressSanitizer cannot start under a lowered address space")
def test_distinct_tokens_take_memory_linear_in_their_number():
    rf = pytest.importorskip("rapidfuzz.distance")
    n = 200_000
    a = list(range(n))
    levenshtein, indel, jaro = run_isolated(DISTINCT_TOKENS, timeout=120).split()
    # Reversed distinct tokens: all but the middle one of an odd length must
    # be substituted; the longest common subsequence is one token.
    assert int(levenshtein) == n - n % 2
    assert int(indel) == 2 * n - 2
    assert float(jaro) == rf.Jaro.similarity(a, a[::-1])


# Wide code points, nearly all distinct: the masks of a million of them, and
# nothing else of the call, outgrow the room left.
REFUSED_MASKS = UNDER_A_LIMIT + """
    import array, random
    from veltrocamber import _swar
    rng = random.Random(1)
    long = array.array("I", (0x10000 + rng.randrange(1_000_000) for _ in range(1_000_000))).tobytes().decode("utf-32")
    calls = [
        ("levenshtein_score", lambda: _swar.levenshtein_score(long, "\\U00010000")),
        ("levenshtein_normalized_scores", lambda: _swar.levenshtein_normalized_scores(long, ["\\U00010000"])),
        ("damerau_levenshtein_normalized_score", lambda: _swar.damerau_levenshtein_normalized_score(long, "\\U00010000")),
        ("damerau_levenshtein_scores", lambda: _swar.damerau_levenshtein_scores(long, ["\\U00010000"])),
        ("indel_score", lambda: _swar.indel_score(long, "\\U00010000")),
        ("indel_normalized_scores", lambda: _swar.indel_normalized_scores(long, ["\\U00010000"])),
        ("jaro_similarity", lambda: _swar.jaro_similarity("\\U00010000", long)),
        ("jaro_winkler_similarities", lambda: _swar.jaro_winkler_similarities("\\U00010000", [long])),
        ("levenshtein_top_k", lambda: _swar.levenshtein_top_k(long, ["\\U00010000"], 1)),
        ("extract", lambda: _swar.extract(long, ["\\U00010000"], scorer=8, k=1)),
        ("cdist_top_k_one_query", lambda: _swar.cdist_top_k_one_query(long, ["\\U00010000"], scorer=3, k=1)),
    ]
    limit_to(12)
    for name, call in calls:
        try:
            call()
            print(name, "answered")
        except MemoryError as error:
            print(name, error)
"""


@pytest.mark.skipif(sanitizer_loaded(), reason="AddressSanitizer cannot start under a lowered address space")
def test_pattern_masks_that_cannot_be_held_name_the_function():
    lines = run_isolated(REFUSED_MASKS, timeout=120).splitlines()
    assert len(lines) == 11, lines
    for line in lines:
        name, message = line.split(" ", 1)
        assert re.fullmatch(
            rf"{name}: the pattern masks of 1000000 tokens \([0-9.]+ MiB\) exceed the memory available "
            r"\([0-9.]+ (MiB|KiB)\)", message), line


# Near the limit, the first exception of a thread (and the module's first use
# of its thread-local storage) allocated that thread's storage, and a
# failure there ended the process. Each limit in a child of its own: the
# main thread's call, and one of a new thread, which starts with none.
NEAR_THE_LIMIT = UNDER_A_LIMIT + """
    import threading
    from veltrocamber import _swar
    a = list(range(1_000_000))
    b = a[::-1]
    results = []
    def call():
        try:
            results.append(str(_swar.levenshtein_score(a, b, score_cutoff=0)))
        except MemoryError:
            results.append("MemoryError")
    thread = threading.Thread(target=call) if {in_thread} else None
    limit_to({extra_mib})
    if thread is None:
        call()
    else:
        try:
            thread.start()
        except RuntimeError:  # no room for the thread itself
            results.append("no thread")
        else:
            thread.join()
    print(results[0])
"""


@pytest.mark.skipif(sanitizer_loaded(), reason="AddressSanitizer cannot start under a lowered address space")
def test_a_call_near_the_address_space_limit_raises_or_answers():
    # Where the process died depended on the layout of its memory: one limit
    # of each half of this scan on the machine the test was written on.
    cases = [(in_thread, extra_mib) for in_thread in (False, True) for extra_mib in range(40, 112, 8)]
    for first in range(0, len(cases), 8):
        batch = cases[first:first + 8]
        children = run_children([NEAR_THE_LIMIT.format(in_thread=in_thread, extra_mib=extra_mib)
                                 for in_thread, extra_mib in batch], timeout=120)
        for (in_thread, extra_mib), child in zip(batch, children):
            assert child.returncode == 0 and child.stdout.strip() in ("1", "MemoryError", "no thread"), (
                in_thread, extra_mib, child.returncode, child.stdout, child.stderr)
