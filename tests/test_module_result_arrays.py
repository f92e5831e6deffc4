"""Batch results exported to NumPy without a copy."""

import gc

import numpy as np
import pytest


@pytest.mark.parametrize("make, dtype", [("int64_result", np.int64), ("float64_result", np.float64)])
def test_export_shape_dtype_and_empty(hooks, make, dtype):
    a = getattr(hooks, make)([3, -1, 2])
    assert isinstance(a, np.ndarray) and a.dtype == dtype and a.shape == (3,)
    assert a.flags.c_contiguous and a.tolist() == [3, -1, 2]
    empty = getattr(hooks, make)([])
    assert empty.dtype == dtype and empty.shape == (0,)


def test_view_keeps_data_alive(hooks):
    a = hooks.int64_result(list(range(1000)))
    view = a[10:20]
    del a
    gc.collect()
    hooks.int64_result([0] * 1000)  # reuse freed memory if the vector had gone
    assert view.tolist() == list(range(10, 20))


def test_raiser_message_has_no_prefix(hooks):
    with pytest.raises(TypeError) as info:
        hooks.raise_type_error("exactly this")
    assert str(info.value) == "exactly this"
