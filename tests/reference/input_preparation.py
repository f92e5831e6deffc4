"""Plain-Python models of input preparation: tokenisation, kernel-width
selection, the Farrar symbol codes and aligned-row rendering. Slow and
obvious on purpose; the tests compare the C++ code against these."""

import struct

BOUND_OVERFLOW = "alignment score bound exceeds the 64-bit kernel capacity"
NARROWER = "width cannot be narrower than the automatically selected kernel width"
BAD_WIDTH = "width must be None, 0, 8, 16, 32, or 64"


def width_for_value(v):
    for w in (8, 16, 32):
        if v < (1 << w):
            return w
    return 64


def kernel_width(values, n, token_width=8, requested=0):
    """(score_bound, width) or raises (exception type, message)."""
    v = max(abs(x) for x in values)
    if n == 0 or v == 0:
        bound, bound_width = 0, 8
    else:
        bound = v * n
        if bound >= (1 << 63):
            raise OverflowError(BOUND_OVERFLOW)
        # signed lanes: 8 up to 127, 16 up to 32767, 32 up to 2^31-1
        for w in (8, 16, 32, 64):
            if bound <= (1 << (w - 1)) - 1:
                bound_width = w
                break
    auto = max(bound_width, token_width)
    if requested == 0:
        return bound, auto
    if requested in (8, 16, 32):
        if requested < auto:
            raise ValueError(NARROWER)
        return bound, requested
    if requested == 64:
        return bound, 64
    raise ValueError(BAD_WIDTH)


def str_code_units(s):
    """Code units of a str as CPython stores it: all code points, the
    storage width chosen by the largest one."""
    return [ord(c) for c in s]


def number_objects(query, target):
    """Tokens 1, 2, 3, ... by first appearance over query then target, by
    dictionary equality."""
    seen = {}
    out = []
    for side in (query, target):
        tokens = []
        for item in side:
            if item not in seen:
                seen[item] = len(seen) + 1
            tokens.append(seen[item])
        out.append(tokens)
    return out[0], out[1], len(seen)


def dense_codes(query, target):
    """Codes 0, 1, 2, ... by first appearance over both sides."""
    seen = {}
    out = []
    for side in (query, target):
        codes = []
        for key in side:
            if key not in seen:
                seen[key] = len(seen)
            codes.append(seen[key])
        out.append(codes)
    return out[0], out[1], len(seen)


def float_keys(values, fmt):
    """Bit patterns of floats, as the array road tells symbols apart."""
    size = struct.calcsize(fmt)
    int_fmt = {2: "H", 4: "I", 8: "Q"}[size]
    return [struct.unpack(int_fmt, struct.pack(fmt, v))[0] for v in values]


def render_rows(query, target, query_start, target_start, operations):
    """Aligned rows in the inputs' own form: bytes, str or a tuple of the
    very objects, with '-' (or None for objects) at gaps."""

    def row(side, start, gap_letter):
        items = []
        pos = start
        for op in operations:
            if op == gap_letter:
                items.append(None)
            else:
                items.append(side[pos])
                pos += 1
        return items

    q = row(query, query_start, "I")
    t = row(target, target_start, "D")
    if isinstance(query, bytes):
        def to_bytes(r):
            return b"".join(b"-" if x is None else bytes([x]) for x in r)
        return to_bytes(q), to_bytes(t)
    if isinstance(query, str):
        def to_str(r):
            return "".join("-" if x is None else x for x in r)
        return to_str(q), to_str(t)
    return tuple(q), tuple(t)
