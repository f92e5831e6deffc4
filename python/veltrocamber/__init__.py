"""Sequence comparison: alignment, edit distances, phonetic codes and DTW.

The functions and result classes come from the portable ``_swar`` backend,
which does its arithmetic in ordinary 64-bit words and runs on any 64-bit
processor. ``_cpu`` reports which backends this build holds and which the
running processor supports.
"""

from . import _cpu, _swar
from ._enums import DoubleMetaphoneVariant, MetaphoneVariant, Scorer
from ._substitution import SubstitutionMatrix
from ._swar import *  # noqa: F403  (the public functions and classes of the backend)

__version__ = "0.1.0"

__all__ = sorted(
    [name for name in vars(_swar) if not name.startswith("_")]
    + ["Scorer", "MetaphoneVariant", "DoubleMetaphoneVariant", "SubstitutionMatrix"]
)
