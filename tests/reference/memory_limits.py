"""Plain model of the memory guard's figures: the cgroup memory limit that
binds the process, and the size text of its MemoryError messages."""

import os

NO_LIMIT = 2**64 - 1


def _read_limit(path):
    try:
        with open(path) as f:
            text = f.read().strip()
    except OSError:
        return NO_LIMIT
    return NO_LIMIT if text == "max" or not text.isdigit() else int(text)


def _hierarchy_limit(root, path, file):
    """The smallest limit of the cgroup at `path` and of every one above it."""
    parts = [p for p in path.split("/") if p]
    return min(_read_limit(os.path.join(root, *parts[:n], file)) for n in range(len(parts) + 1))


def cgroup_memory_limit():
    """cgroup v2 memory.max or v1 memory.limit_in_bytes, where one is set."""
    limit = NO_LIMIT
    with open("/proc/self/cgroup") as f:
        for line in f.read().splitlines():
            _, controllers, path = line.split(":", 2)
            if controllers == "":
                limit = min(limit, _hierarchy_limit("/sys/fs/cgroup", path, "memory.max"))
            elif "memory" in controllers.split(","):
                limit = min(limit, _hierarchy_limit("/sys/fs/cgroup/memory", path, "memory.limit_in_bytes"))
    return limit


def format_bytes(n):
    """'9.3 GiB': one decimal in the largest binary unit, bytes below 1 KiB."""
    if n < 1024:
        return f"{n} bytes"
    value = n / 1024
    for unit in ("KiB", "MiB", "GiB", "TiB", "PiB"):
        if value < 1024:
            return f"{value:.1f} {unit}"
        value /= 1024
    return f"{value:.1f} EiB"
