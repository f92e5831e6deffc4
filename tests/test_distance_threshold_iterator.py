"""_ThresholdIterator end to end, driven by the scripted producer of the test hooks.

A record is (kind, score, query index, target index, progress count); kind 1
is progress only. Tests that would hang forever if the iterator regressed run
in a child interpreter under a timeout.
"""

import gc
import os
import sys
import time
import weakref

import pytest

from child_interpreter import run_children, run_isolated
from latency import allowed
from veltrocamber import _swar as sw

PROGRESS = 1
RESULT = 0


def result(score, q, t):
    return (RESULT, score, q, t, 0)


def progress(count):
    return (PROGRESS, 0.0, 0, 0, count)


class Progress:
    """Records the calls a progress object receives."""

    def __init__(self, fail_update=False, fail_close=False):
        self.updates, self.closed = [], 0
        self.fail_update, self.fail_close = fail_update, fail_close

    def update(self, count):
        self.updates.append(count)
        if self.fail_update:
            raise ValueError(f"update {count}")
        return "ignored"

    def close(self):
        self.closed += 1
        if self.fail_close:
            raise RuntimeError("close failed")


@pytest.fixture
def objects():
    return [object() for _ in range(3)], [object() for _ in range(4)]


@pytest.fixture
def make(hooks, objects):
    queries, targets = objects

    def make(records, *, capacity=4, workers=1, **kwargs):
        return hooks.make_threshold_iterator(queries, targets, records, capacity=capacity, workers=workers, **kwargs)

    return make


def live_threads():
    return len(os.listdir("/proc/self/task"))


def test_the_producer_makes_swar_iterators(make):
    it = make([])
    assert type(it) is sw._ThresholdIterator
    assert iter(it) is it
    with pytest.raises(TypeError):
        sw._ThresholdIterator()


@pytest.mark.parametrize("workers, capacity", [(1, 1), (1, 100), (3, 2)])
def test_results_carry_the_producer_objects(make, objects, workers, capacity):
    queries, targets = objects
    records = [result(0.5, 0, 3), result(-1.25, 2, 0), result(float("inf"), 1, 1), result(0.1, 0, 0)]
    got = list(make(records, workers=workers, capacity=capacity))
    if workers == 1:
        assert [(s, q, t) for _, s, q, t, _ in records] == [
            (s, queries.index(q), targets.index(t)) for s, q, t in got
        ]
    else:
        assert sorted((s, queries.index(q), targets.index(t)) for s, q, t in got) == sorted(
            (s, q, t) for _, s, q, t, _ in records
        )
    for score, q, t in got:
        assert type(score) is float
        assert any(q is x for x in queries) and any(t is x for x in targets)


@pytest.mark.parametrize("with_progress", [True, False])
def test_progress_records_advance_only_a_progress_object_by_non_zero_counts(make, with_progress):
    bar = Progress() if with_progress else None
    records = [progress(3), result(0.5, 0, 0), progress(0), progress(5), result(0.25, 1, 1), progress(0)]
    got = [(s, q, t) for s, q, t in make(records, progress=bar)]
    assert [s for s, _, _ in got] == [0.5, 0.25]
    if with_progress:
        assert bar.updates == [3, 5]


def test_only_progress_records_then_done(make):
    bar = Progress()
    it = make([progress(3), progress(0), progress(5), progress(2**64 - 1)], progress=bar)
    with pytest.raises(StopIteration):
        next(it)
    assert bar.updates == [3, 5, 2**64 - 1]
    assert bar.closed == 0
    del it
    assert bar.closed == 1


@pytest.mark.parametrize("records", [[], [result(1.0, 0, 0)]])
def test_stop_iteration_every_time_after_the_end(make, records):
    it = make(records)
    assert len(list(it)) == len(records)
    for _ in range(3):
        with pytest.raises(StopIteration):
            next(it)


def test_raising_update_propagates_with_the_record_consumed(make):
    bar = Progress(fail_update=True)
    it = make([progress(3), result(0.5, 0, 0), progress(4)], progress=bar)
    with pytest.raises(ValueError, match="update 3"):
        next(it)
    assert next(it)[0] == 0.5
    with pytest.raises(ValueError, match="update 4"):
        next(it)
    with pytest.raises(StopIteration):
        next(it)
    assert bar.updates == [3, 4]


def test_raising_close_is_swallowed(make, monkeypatch):
    unraisable = []
    monkeypatch.setattr(sys, "unraisablehook", unraisable.append)
    bar = Progress(fail_close=True)
    it = make([result(0.5, 0, 0)], progress=bar)
    del it
    assert bar.closed == 1 and unraisable == []


def test_close_without_a_close_method_is_swallowed(make):
    class UpdateOnly:
        def update(self, count):
            pass

    it = make([progress(1)], progress=UpdateOnly())
    assert list(it) == []
    del it


def test_close_runs_with_a_pending_exception_set_aside(hooks, make):
    # The iterator dies while an exception is pending (a C++ caller unwinding
    # past its last reference); close() must run clean and the exception
    # must come out unchanged.
    bar = Progress()
    holder = [make([result(0.5, 0, 0)], progress=bar)]
    with pytest.raises(ValueError, match="^pending while dropping$"):
        hooks.drop_while_raising(holder, "pending while dropping")
    assert holder == [] and bar.closed == 1


@pytest.mark.parametrize("record", [result(0.5, 3, 0), result(0.5, 0, 4), result(0.5, 2**64 - 1, 2**63)])
def test_record_index_out_of_range_raises_runtime_error(make, record):
    it = make([record, result(0.25, 2, 3)])
    with pytest.raises(RuntimeError, match="^_ThresholdIterator: a record refers to a query or target"):
        next(it)
    assert next(it)[0] == 0.25  # the bad record is consumed


def test_drop_while_workers_block_on_a_full_queue(make):
    threads_before = live_threads()
    bar = Progress()
    it = make([result(float(i), 0, 0) for i in range(100)], capacity=2, workers=3, progress=bar)
    assert next(it)[0] in (0.0, 1.0, 2.0)
    time.sleep(0.05)  # let the workers fill the queue and block on it
    assert live_threads() == threads_before + 3
    start = time.monotonic()
    del it
    assert time.monotonic() - start < allowed(1.0)
    assert bar.closed == 1 and bar.updates == []
    assert live_threads() == threads_before  # every worker joined


def test_drop_before_any_record_is_taken(make):
    bar = Progress()
    it = make([progress(1)] * 10, capacity=1, workers=2, progress=bar)
    del it
    assert bar.closed == 1 and bar.updates == []


def test_python_references_are_dropped_by_the_iterator_not_by_the_last_owner(hooks, objects):
    # A producer-side owner keeps the state after the iterator is gone and
    # lets go of it on a thread without the interpreter lock: by then the
    # iterator must have dropped every Python reference itself.
    queries, targets = objects
    bar = Progress()
    counts = [sys.getrefcount(x) for x in (*queries, *targets, bar)]
    it = hooks.make_threshold_iterator(queries, targets, [result(0.5, 0, 0)], capacity=1, workers=1, progress=bar,
                                       linger=True)
    assert next(it)[0] == 0.5
    del it
    assert [sys.getrefcount(x) for x in (*queries, *targets, bar)] == counts
    assert hooks.release_lingering_states() == 0


def test_a_cycle_through_the_progress_object_is_freed(hooks):
    B = type("B", (), {"update": lambda s, n: None, "close": lambda s: None})
    b = B()
    it = hooks.make_threshold_iterator([1], [2], [], capacity=1, workers=1, progress=b)
    b.it = it
    w = weakref.ref(b)
    del it, b
    gc.collect()
    assert w() is None


def node_class(log):
    """Query, target or progress objects that can refer back to the iterator and log what they are asked.

    The log lives outside the objects: the collector may clear an object's own
    attributes before it clears the iterator.
    """

    class Node:
        def update(self, count):
            log.append(("update", count))

        def close(self):
            log.append("close")
            it = getattr(self, "it", None)
            if it is not None:
                try:
                    next(it)  # runs while the iterator shuts down
                except StopIteration:
                    log.append("exhausted")

    return Node


@pytest.mark.parametrize("link", ["progress", "query", "target"])
def test_a_cycle_collected_mid_iteration_shuts_the_iterator_down(hooks, link):
    threads_before = live_threads()
    log = []
    Node = node_class(log)
    node = Node()
    queries = [node if link == "query" else object()]
    targets = [node if link == "target" else object()]
    bar = node if link == "progress" else Node()
    it = hooks.make_threshold_iterator(queries, targets, [result(float(i), 0, 0) for i in range(100)], capacity=2,
                                       workers=3, progress=bar)
    assert next(it)[0] in (0.0, 1.0, 2.0)
    time.sleep(0.05)  # let the workers fill the queue and block on it
    node.it = bar.it = it
    w = weakref.ref(node)
    del it, node, bar, queries, targets
    gc.collect()
    assert w() is None
    assert log in (["close"], ["close", "exhausted"])
    assert live_threads() == threads_before  # every worker joined


def test_clear_from_inside_a_progress_update_ends_the_call(hooks, tp_clear):
    log = []

    class Clearing(node_class(log)):
        def update(self, count):
            super().update(count)
            tp_clear(self.it)

    bar = Clearing()
    it = hooks.make_threshold_iterator(["q"], ["t"], [progress(1), result(0.5, 0, 0), progress(2)], capacity=1,
                                       workers=1, progress=bar)
    bar.it = it
    with pytest.raises(StopIteration):
        next(it)
    assert log == [("update", 1), "close", "exhausted"]
    with pytest.raises(StopIteration):
        next(it)
    tp_clear(it)  # clearing again is harmless
    del bar.it, it


def test_clear_from_a_signal_handler_ends_a_wait():
    out = run_isolated(f"""
        import os, signal, sys
        sys.path.insert(0, {os.path.dirname(__file__)!r})
        from conftest import call_tp_clear
        from veltrocamber import _swar, _testhooks as hooks

        class Bar:
            closed = 0
            def update(self, n):
                pass
            def close(self):
                Bar.closed += 1

        threads_before = len(os.listdir("/proc/self/task"))
        it = hooks.make_threshold_iterator(["q"], ["t"], [(0, 0.5, 0, 0, 0)], capacity=1, workers=2,
                                           progress=Bar(), hold_until_stop=True)
        assert next(it) == (0.5, "q", "t")
        signal.signal(signal.SIGALRM, lambda *args: call_tp_clear(it))
        signal.setitimer(signal.ITIMER_REAL, 0.05)
        try:
            next(it)  # waits on a producer that never finishes until the handler clears the iterator
        except StopIteration:
            print("stopped", Bar.closed, len(os.listdir("/proc/self/task")) - threads_before)
    """)
    assert out.split() == ["stopped", "1", "0"]


def test_done_without_a_notify_is_still_seen():
    # The producer sets done after the consumer has started waiting and wakes
    # nobody: a wait that relied on the notify would never return.
    out = run_isolated("""
        import time
        from veltrocamber import _swar, _testhooks as hooks
        for records in ([], [(0, 0.5, 0, 0, 0)]):
            it = hooks.make_threshold_iterator(["q"], ["t"], records, capacity=1, workers=1, notify_done=False,
                                               done_delay=0.3)
            assert [next(it) for _ in records] == [(0.5, "q", "t")] * len(records)
            start = time.monotonic()
            try:
                next(it)
            except StopIteration:
                print(time.monotonic() - start)
    """)
    for elapsed in map(float, out.split()):
        assert 0.1 <= elapsed < allowed(1.0)


def test_clear_from_another_thread_ends_a_drain_with_stop_iteration():
    # A consumer that took a record while it waited without the interpreter
    # lock finds, once it has the lock back, the iterator cleared by another
    # thread meanwhile, and the objects the record names dropped.
    out = run_isolated(f"""
        import random, sys, threading, time
        sys.path.insert(0, {os.path.dirname(__file__)!r})
        from conftest import call_tp_clear
        from veltrocamber import _swar, _testhooks as hooks
        records = [(0, float(i), 0, 0, 0) for i in range(20_000)]
        rng = random.Random(1)
        outcomes = []
        for trial in range(100):
            it = hooks.make_threshold_iterator(["q"], ["t"], records, capacity=64, workers=2)
            def drain():
                try:
                    for _ in it:
                        pass
                    outcomes.append("stopped")
                except Exception as error:
                    outcomes.append(repr(error))
            consumer = threading.Thread(target=drain)
            consumer.start()
            time.sleep(rng.random() * 0.002)
            call_tp_clear(it)
            consumer.join()
        print(sorted(set(outcomes)))
    """)
    assert out == "['stopped']\n"


def test_a_daemon_thread_waiting_at_exit_leaves_a_clean_exit():
    # At exit the interpreter ends a daemon thread that asks for the
    # interpreter lock back; one waiting for a record parks instead, and the
    # exit is the interpreter's own, without a word on stderr. The exit can
    # begin between the thread's check and its retake, so it is tried several
    # times.
    code = """
        import threading, time
        from veltrocamber import _swar, _testhooks as hooks
        it = hooks.make_threshold_iterator(["q"], ["t"], [], capacity=1, workers=1, hold_until_stop=True)
        threading.Thread(target=lambda: next(it), daemon=True).start()
        time.sleep(0.1)
        print("exiting")
    """
    for done in run_children([code] * 6):
        assert (done.returncode, done.stdout, done.stderr) == (0, "exiting\n", "")


def test_ctrl_c_reaches_a_consumer_waiting_on_a_producer_that_never_finishes():
    # interrupt_main() does nothing while SIGINT is ignored, as the child
    # starts (run_isolated); it takes Ctrl-C as Python does first.
    out = run_isolated(f"""
        import _thread, signal, threading, time
        signal.signal(signal.SIGINT, signal.default_int_handler)
        from veltrocamber import _swar, _testhooks as hooks
        it = hooks.make_threshold_iterator(["q"], ["t"], [(0, 0.5, 0, 0, 0)], capacity=1, workers=2,
                                           hold_until_stop=True)
        assert next(it) == (0.5, "q", "t")
        threading.Timer(0.2, _thread.interrupt_main).start()
        try:
            next(it)
        except KeyboardInterrupt:
            print("interrupted")
        start = time.monotonic()
        del it
        assert time.monotonic() - start < {allowed(1.0)}
    """)
    assert out.split() == ["interrupted"]


def test_stress_many_records_capacity_one_four_workers():
    out = run_isolated("""
        import collections, threading
        from veltrocamber import _swar, _testhooks as hooks

        class Bar:
            total = 0
            def update(self, n):
                Bar.total += n
            def close(self):
                pass

        queries = [f"q{i}" for i in range(50)]
        targets = [f"t{i}" for i in range(40)]
        records = []
        for i in range(10000):
            if i % 7 == 0:
                records.append((1, 0.0, 0, 0, i % 3))
            else:
                records.append((0, i / 8, i % 50, i % 40, 0))
        expected = collections.Counter((s, queries[q], targets[t]) for k, s, q, t, _ in records if k != 1)

        # one consumer
        it = hooks.make_threshold_iterator(queries, targets, records, capacity=1, workers=4, progress=Bar())
        assert collections.Counter(it) == expected
        assert Bar.total == sum(c for k, _, _, _, c in records if k == 1)

        # two Python threads consuming one iterator
        it = hooks.make_threshold_iterator(queries, targets, records, capacity=1, workers=4)
        seen = [[], []]
        def consume(out):
            out.extend(it)
        threads = [threading.Thread(target=consume, args=(s,)) for s in seen]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert collections.Counter(seen[0] + seen[1]) == expected

        # many short-lived iterators dropped part-way
        for n in range(100):
            it = hooks.make_threshold_iterator(queries, targets, records[: n * 10], capacity=1, workers=4)
            for _ in zip(range(n), it):
                pass
            del it
        print("ok")
    """, timeout=60)
    assert out.split() == ["ok"]
