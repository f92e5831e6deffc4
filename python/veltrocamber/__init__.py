"""Sequence comparison: alignment, edit distances, phonetic codes and DTW.

The functions and result classes come from the portable ``_swar`` backend,
which does its arithmetic in ordinary 64-bit words and runs on any 64-bit
processor. ``_cpu`` reports which backends this build holds and which the
running processor supports.
"""

# NumPy is imported here, before any call: the batch functions return NumPy
# arrays, and nanobind imports NumPy while it exports the first one, where an
# exception raised by that import (KeyboardInterrupt from Ctrl-C) would come
# out as a TypeError about the export. Imported up front, NumPy is already
# loaded by then and that step runs no Python code.
import numpy as _numpy  # noqa: F401

from . import _cpu, _swar
from ._enums import DoubleMetaphoneVariant, MetaphoneVariant, Scorer
from ._substitution import SubstitutionMatrix
from ._swar import *  # noqa: F403  (the public functions and classes of the backend)

__version__ = "0.1.0"

__all__ = sorted(
    [name for name in vars(_swar) if not name.startswith("_")]
    + ["Scorer", "MetaphoneVariant", "DoubleMetaphoneVariant", "SubstitutionMatrix"]
)
