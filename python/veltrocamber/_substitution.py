"""Substitution matrices for the ``*_score_matrix``, ``*_scores_matrix`` and
``*_path_info_matrix`` functions."""

from __future__ import annotations

from typing import NoReturn, Sequence

__all__ = ["SubstitutionMatrix"]

_ENTRY_MIN, _ENTRY_MAX = -128, 127

# BLOSUM62, rows and columns in the order of _BLOSUM62_ALPHABET.
_BLOSUM62_ALPHABET = "ARNDCQEGHILKMFPSTWYVBZX*"
_BLOSUM62 = """
 4 -1 -2 -2  0 -1 -1  0 -2 -1 -1 -1 -1 -2 -1  1  0 -3 -2  0 -2 -1  0 -4
-1  5  0 -2 -3  1  0 -2  0 -3 -2  2 -1 -3 -2 -1 -1 -3 -2 -3 -1  0 -1 -4
-2  0  6  1 -3  0  0  0  1 -3 -3  0 -2 -3 -2  1  0 -4 -2 -3  3  0 -1 -4
-2 -2  1  6 -3  0  2 -1 -1 -3 -4 -1 -3 -3 -1  0 -1 -4 -3 -3  4  1 -1 -4
 0 -3 -3 -3  9 -3 -4 -3 -3 -1 -1 -3 -1 -2 -3 -1 -1 -2 -2 -1 -3 -3 -2 -4
-1  1  0  0 -3  5  2 -2  0 -3 -2  1  0 -3 -1  0 -1 -2 -1 -2  0  3 -1 -4
-1  0  0  2 -4  2  5 -2  0 -3 -3  1 -2 -3 -1  0 -1 -3 -2 -2  1  4 -1 -4
 0 -2  0 -1 -3 -2 -2  6 -2 -4 -4 -2 -3 -3 -2  0 -2 -2 -3 -3 -1 -2 -1 -4
-2  0  1 -1 -3  0  0 -2  8 -3 -3 -1 -2 -1 -2 -1 -2 -2  2 -3  0  0 -1 -4
-1 -3 -3 -3 -1 -3 -3 -4 -3  4  2 -3  1  0 -3 -2 -1 -3 -1  3 -3 -3 -1 -4
-1 -2 -3 -4 -1 -2 -3 -4 -3  2  4 -2  2  0 -3 -2 -1 -2 -1  1 -4 -3 -1 -4
-1  2  0 -1 -3  1  1 -2 -1 -3 -2  5 -1 -3 -1  0 -1 -3 -2 -2  0  1 -1 -4
-1 -1 -2 -3 -1  0 -2 -3 -2  1  2 -1  5  0 -2 -1 -1 -1 -1  1 -3 -1 -1 -4
-2 -3 -3 -3 -2 -3 -3 -3 -1  0  0 -3  0  6 -4 -2 -2  1  3 -1 -3 -3 -1 -4
-1 -2 -2 -1 -3 -1 -1 -2 -2 -3 -3 -1 -2 -4  7 -1 -1 -4 -3 -2 -2 -1 -2 -4
 1 -1  1  0 -1  0  0  0 -1 -2 -2  0 -1 -2 -1  4  1 -3 -2 -2  0  0  0 -4
 0 -1  0 -1 -1 -1 -1 -2 -2 -1 -1 -1 -1 -2 -1  1  5 -2 -2  0 -1 -1  0 -4
-3 -3 -4 -4 -2 -2 -3 -2 -2 -3 -2 -3 -1  1 -4 -3 -2 11  2 -3 -4 -3 -2 -4
-2 -2 -2 -3 -2 -1 -2 -3  2 -1 -1 -2 -1  3 -3 -2 -2  2  7 -1 -3 -2 -1 -4
 0 -3 -3 -3 -1 -2 -2 -3 -3  3  1 -2  1 -1 -2 -2  0 -3 -1  4 -3 -2 -1 -4
-2 -1  3  4 -3  0  1 -1  0 -3 -4  0 -3 -3 -2  0 -1 -4 -3 -3  4  1 -1 -4
-1  0  0  1 -3  3  4 -2  0 -3 -3  1 -1 -3 -1  0 -1 -3 -2 -2  1  4 -1 -4
 0 -1 -1 -1 -2 -1 -1 -1 -1 -1 -1 -1 -1 -1 -2  0  0 -2 -1 -1 -1 -1 -1 -4
-4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4 -4  1
"""


def _symbols(alphabet: str | bytes) -> str:
    if isinstance(alphabet, bytes):
        return alphabet.decode("latin-1")
    if isinstance(alphabet, str):
        return alphabet
    raise TypeError(f"alphabet must be a str or bytes, not {type(alphabet).__name__}")


class SubstitutionMatrix:
    """Scores for aligning any symbol of an alphabet with any other.

    Built from an alphabet of up to 256 distinct symbols (a ``str`` or
    ``bytes``; each symbol one character below U+0100) and a square table of
    integers in [-128, 127], one row per query symbol and one column per
    target symbol, in the order of the alphabet. ``encode`` turns a sequence
    into the alphabet indices, and ``buffer`` and ``stride`` give the matrix,
    that the matrix-mode alignment functions take:

    >>> import veltrocamber as vc
    >>> blosum = vc.SubstitutionMatrix.blosum62()
    >>> blosum.score("W", "W"), blosum.score("W", "a")
    (11, -3)
    >>> query, target = blosum.encode("HEAGAWGHEE"), blosum.encode("PAWHEAE")
    >>> vc.smith_waterman_affine_score_matrix(query, target, blosum.buffer, blosum.stride, -11, -1)
    17
    >>> dna = vc.SubstitutionMatrix.dna()
    >>> vc.needleman_wunsch_path_info_matrix(dna.encode("ACGT"), dna.encode("acgt"), dna.buffer, dna.stride).cigar
    '4='

    Case: a letter that the alphabet does not hold is read as the same letter
    in the other case when the alphabet holds that one, so ``encode("acgt")``
    equals ``encode("ACGT")`` for an upper-case alphabet. An alphabet that
    holds both cases keeps them apart. Any other symbol outside the alphabet
    raises ValueError naming it and its position.
    """

    __slots__ = ("_alphabet", "_buffer", "_table", "_known")

    def __init__(self, alphabet: str | bytes, scores: Sequence[Sequence[int]]) -> None:
        symbols = _symbols(alphabet)
        if not 1 <= len(symbols) <= 256:
            raise ValueError(f"alphabet must hold 1 to 256 symbols, not {len(symbols)}")
        if len(set(symbols)) != len(symbols):
            repeated = next(s for k, s in enumerate(symbols) if s in symbols[:k])
            raise ValueError(f"alphabet symbols must be distinct; {repeated!r} appears more than once")
        wide = [s for s in symbols if ord(s) > 0xFF]
        if wide:
            raise ValueError(f"alphabet symbols must be characters below U+0100; {wide[0]!r} is not")
        stride = len(symbols)
        rows = list(scores)
        if len(rows) != stride:
            raise ValueError(f"scores must have {stride} rows (one per symbol), not {len(rows)}")
        flat = []
        for r, row in enumerate(rows):
            row = list(row)
            if len(row) != stride:
                raise ValueError(f"scores row {r} must have {stride} entries, not {len(row)}")
            for c, value in enumerate(row):
                if isinstance(value, bool) or not isinstance(value, int):
                    raise TypeError(f"scores[{r}][{c}] must be an int, not {type(value).__name__}")
                if not _ENTRY_MIN <= value <= _ENTRY_MAX:
                    raise ValueError(f"scores[{r}][{c}] = {value} is outside [-128, 127]")
                flat.append(value & 0xFF)
        self._alphabet = symbols
        self._buffer = bytes(flat)
        index = {ord(s): k for k, s in enumerate(symbols)}
        for s in symbols:  # the other case of a letter the alphabet lacks
            other = s.swapcase()
            if s.isascii() and s.isalpha() and ord(other) not in index:
                index[ord(other)] = index[ord(s)]
        self._table = bytes(index.get(b, 0) for b in range(256))
        self._known = bytes(sorted(index))

    # ---- the two ready-made matrices and a simple one ----

    @classmethod
    def blosum62(cls) -> SubstitutionMatrix:
        """BLOSUM62 over ``ARNDCQEGHILKMFPSTWYVBZX*`` (amino acids, B, Z, the
        unknown X and the stop ``*``)."""
        values = [int(v) for v in _BLOSUM62.split()]
        n = len(_BLOSUM62_ALPHABET)
        return cls(_BLOSUM62_ALPHABET, [values[r * n:(r + 1) * n] for r in range(n)])

    @classmethod
    def dna(cls) -> SubstitutionMatrix:
        """``ACGT`` scoring 5 for a match and -4 for a mismatch."""
        return cls.match_mismatch("ACGT", 5, -4)

    @classmethod
    def match_mismatch(cls, alphabet: str | bytes, match: int, mismatch: int) -> SubstitutionMatrix:
        """``match`` on the diagonal, ``mismatch`` everywhere else."""
        n = len(_symbols(alphabet))
        return cls(alphabet, [[match if r == c else mismatch for c in range(n)] for r in range(n)])

    # ---- the matrix ----

    @property
    def alphabet(self) -> str:
        """The symbols, in index order."""
        return self._alphabet

    @property
    def stride(self) -> int:
        """The number of symbols: the row length of ``buffer``."""
        return len(self._alphabet)

    @property
    def buffer(self) -> bytes:
        """``stride * stride`` signed bytes, row-major: the score of query
        index q against target index t is at ``q * stride + t``."""
        return self._buffer

    def score(self, a: str | bytes, b: str | bytes) -> int:
        """The score of symbol ``a`` (query) against symbol ``b`` (target)."""
        q, t = self._one_index(a, "a"), self._one_index(b, "b")
        value = self._buffer[q * self.stride + t]
        return value - 256 if value > _ENTRY_MAX else value

    def encode(self, sequence: str | bytes) -> bytes:
        """The alphabet index of every symbol of ``sequence`` (a ``str`` or
        ``bytes``), as bytes."""
        if isinstance(sequence, str):
            try:
                data = sequence.encode("latin-1")
            except UnicodeEncodeError as error:
                self._refuse(sequence[error.start], error.start)
        elif isinstance(sequence, bytes):
            data = sequence
        else:
            raise TypeError(f"encode expects a str or bytes, not {type(sequence).__name__}")
        if data.translate(None, self._known):
            position = next(k for k, b in enumerate(data) if b not in self._known)
            self._refuse(chr(data[position]), position)
        return data.translate(self._table)

    def _one_index(self, symbol: str | bytes, name: str) -> int:
        if not isinstance(symbol, (str, bytes)) or len(symbol) != 1:
            raise ValueError(f"{name} must be one symbol, not {symbol!r}")
        return self.encode(symbol)[0]

    def _refuse(self, symbol: str, position: int) -> NoReturn:
        raise ValueError(f"symbol {symbol!r} at position {position} is not in the alphabet {self._alphabet!r}")

    # ---- value semantics ----

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, SubstitutionMatrix):
            return NotImplemented
        return self._alphabet == other._alphabet and self._buffer == other._buffer

    def __hash__(self) -> int:
        return hash((self._alphabet, self._buffer))

    def __repr__(self) -> str:
        return f"SubstitutionMatrix(alphabet={self._alphabet!r})"

