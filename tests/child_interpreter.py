"""Tests that run their code in a fresh interpreter: what would hang the suite
or end the process if it regressed, and what only a new process shows."""

import os
import signal
import subprocess
import sys
import textwrap

import pytest


def child_environment():
    """This process's environment, with its import path, so that the child imports the same build."""
    return dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))


def ignore_sigint():
    signal.signal(signal.SIGINT, signal.SIG_IGN)


def run_children(codes, timeout=60):
    """Runs each of `codes` (dedented) in a fresh interpreter that imports like
    this one, all at once; their CompletedProcess in order. Fails on a hang.

    Each child starts with SIGINT ignored, as every process of a job started
    in the background does (and so this one may), whatever this one has: code
    that relies on a signal sets its handler first. The timeout only tells a
    hang from a slow run (a sanitizer build on a loaded machine)."""
    children = [subprocess.Popen([sys.executable, "-c", textwrap.dedent(code)], env=child_environment(),
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                 preexec_fn=ignore_sigint)
                for code in codes]
    done = []
    try:
        for child in children:
            stdout, stderr = child.communicate(timeout=timeout)
            done.append(subprocess.CompletedProcess(child.args, child.returncode, stdout, stderr))
    except subprocess.TimeoutExpired:
        pytest.fail(f"a child interpreter did not finish within {timeout} s")
    finally:
        for child in children:
            if child.poll() is None:
                child.kill()
                child.wait()
    return done


def run_isolated(code, timeout=60):
    """Runs one child as run_children does, failing on a non-zero exit too; the child's output."""
    (done,) = run_children([code], timeout)
    assert done.returncode == 0, done.stderr
    return done.stdout
