"""Plain-Python models of the phonetic encoders, written for clarity, not speed.

Each takes a ``bytes`` value (what the encoders read after input conversion)
and returns the code as ``str``.
"""


def ascii_letters(data: bytes) -> str:
    """The ASCII letters of ``data``, upper-cased, in order."""
    return "".join(chr(b).upper() for b in data if chr(b).isascii() and chr(b).isalpha())


def convert(obj) -> bytes:
    """The bytes an encoder reads for a str or bytes argument."""
    if isinstance(obj, bytes):
        return bytes(obj)
    if isinstance(obj, str):
        if all(ord(c) < 256 for c in obj):
            return obj.encode("latin-1")
        return "".join(c for c in obj if ord(c) < 128).encode("ascii")
    raise TypeError("phonetic encoder requires a str or bytes-like input")


SOUNDEX_CLASS = {}
for _digit, _letters in {"1": "BFPV", "2": "CGJKQSXZ", "3": "DT", "4": "L", "5": "MN", "6": "R"}.items():
    for _letter in _letters:
        SOUNDEX_CLASS[_letter] = _digit


def soundex(data: bytes) -> str:
    letters = ascii_letters(data)
    if not letters:
        return ""
    code = letters[0]
    previous = SOUNDEX_CLASS.get(code, "0")
    for letter in letters[1:]:
        if letter in "HW":
            continue
        digit = SOUNDEX_CLASS.get(letter, "0")
        if digit != "0" and digit != previous:
            code += digit
        previous = digit
    return (code + "000")[:4]


def load_surnames():
    """The surname list of tests/data, one name per line, in file order."""
    from pathlib import Path

    path = Path(__file__).resolve().parent.parent / "data" / "surnames.txt"
    return [line.strip() for line in path.read_text(encoding="utf-8").splitlines() if line.strip()]
