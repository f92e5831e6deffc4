"""Time bounds in the tests: the margin rule, and how an interrupt's latency is measured.

The rule. The README promises, on an idle machine, that a long call stops
within PAIR_KERNEL_BOUND (the edit-distance pair kernels) or CALL_BOUND
(every other long call) of a Ctrl-C. A loaded CI runner, or a sanitizer
build at a load of 11, runs the same loops several times slower, and a test
held to the idle figure fails there on a sound build. So every time bound a
test asserts is allowed(the idle bound): LOADED_MACHINE_FACTOR times the
bound an idle machine keeps. A new latency test takes its bound from here,
never from a literal of its own.

Such a margin can be longer than a whole undisturbed call on a fast machine,
so a bound alone would no longer tell a call that polls from one that runs
to its end. seconds_to_interrupt() tells them apart without a clock: its
handler raises only at its INTERRUPT_AT_RUN-th run, and signals that arrive
between two runs make one run, so a call that never polls is not interrupted
at all and fails there, on any machine. handler_runs() counts a call's polls
the same way, for a test of where a call polls rather than how soon.
"""

import math
import signal
import time

import pytest

PAIR_KERNEL_BOUND = 0.5  # s from the signal, the edit-distance pair kernels
CALL_BOUND = 1.0  # s from the signal, every other long call
LOADED_MACHINE_FACTOR = 4

INTERRUPT_PERIOD = 0.05  # s between two signals
INTERRUPT_AT_RUN = 4


def allowed(idle_bound):
    """The time a test allows for what an idle machine does within `idle_bound` seconds."""
    return LOADED_MACHINE_FACTOR * idle_bound


def seconds_to_interrupt(call):
    """Runs call() under a SIGALRM every INTERRUPT_PERIOD whose handler raises
    KeyboardInterrupt at its INTERRUPT_AT_RUN-th run, and answers how long the
    call went on after a signal: the time from the first signal after the
    run before the last to the exception, the longest any of those signals
    waited. Fails when the call ran to its end uninterrupted."""
    runs = []

    def handler(signum, frame):
        runs.append(time.monotonic())
        if len(runs) == INTERRUPT_AT_RUN:
            raise KeyboardInterrupt

    previous = signal.signal(signal.SIGALRM, handler)
    start = time.monotonic()
    signal.setitimer(signal.ITIMER_REAL, INTERRUPT_PERIOD, INTERRUPT_PERIOD)
    try:
        call()
    except KeyboardInterrupt:
        stopped = time.monotonic()
        waiting_since = start + INTERRUPT_PERIOD * (math.floor((runs[-2] - start) / INTERRUPT_PERIOD) + 1)
        return stopped - waiting_since
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    pytest.fail(f"the call ran to its end uninterrupted (the handler ran {len(runs)} times)")

def handler_runs(call, period=0.0002):
    """Runs call() under a SIGALRM every `period` seconds whose handler only
    counts its runs, and answers the count. A handler runs once at each poll
    that finds a signal arrived since the one before, so with a period well
    below the time between two polls the count is the number of polls."""
    runs = 0

    def handler(signum, frame):
        nonlocal runs
        runs += 1

    previous = signal.signal(signal.SIGALRM, handler)
    signal.setitimer(signal.ITIMER_REAL, period, period)
    try:
        call()
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    return runs
