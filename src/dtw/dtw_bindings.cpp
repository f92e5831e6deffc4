#include "dtw/dtw_bindings.hpp"

#include <Python.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "dtw/dtw.hpp"
#include "module/input_snapshots.hpp"
#include "module/input_views.hpp"
#include "module/interrupt_poll.hpp"
#include "module/keyword_conversion.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {

const char *const DTW_DOC =
    "Dynamic Time Warping distance between two numeric ndarrays.\n"
    "\n"
    "``query`` and ``target`` are ``np.ndarray`` with dtype ``float32``, ``float64`` or\n"
    "``int16``; both sides must share dtype.\n"
    "\n"
    "``window`` is the Sakoe-Chiba band radius: ``None`` (default) is unconstrained, an\n"
    "``int`` is the absolute radius in samples, and a ``float`` in (0, 1] is the fraction\n"
    "of ``max(len(query), len(target))``.\n"
    "\n"
    "``distance`` is ``\"l1\"`` for ``|x - y|`` (default for ``int16``) or ``\"l2_squared\"``\n"
    "for ``(x - y)^2`` (default for ``float32``/``float64``); ``None`` picks the per-dtype\n"
    "default. Empty inputs raise ``ValueError``.";

namespace {

struct DtwBand {
    bool has_band = false;
    uint64_t radius = 0;
};

// window=: None, an int radius (bool included) or a float fraction of the
// longer length. An int outside the signed 64-bit range raises the keyword
// conversion's OverflowError, naming `function`.
DtwBand dtw_window_band(const char *function, nb::handle window, uint64_t n, uint64_t m) {
    if (window.is_none())
        return {};
    if (PyLong_Check(window.ptr())) {
        const int64_t w = integer_keyword<int64_t>(function, "window", window);
        if (w < 0)
            raise_value_error("window= must be non-negative");
        return {true, static_cast<uint64_t>(w)};
    }
    if (PyFloat_Check(window.ptr())) {
        const double w = PyFloat_AsDouble(window.ptr());
        if (w == -1.0 && PyErr_Occurred())
            raise_pending();
        if (!(w > 0.0 && w <= 1.0))  // NaN fails too
            raise_value_error("window= as float must be in (0, 1]");
        return {true, static_cast<uint64_t>(std::ceil(static_cast<double>(std::max(n, m)) * w))};
    }
    raise_type_error("window= must be None, int (samples), or float in (0, 1] (fraction)");
}

dtw::DtwDistanceKind dtw_distance_kind(nb::handle distance, bool int16_samples) {
    if (distance.is_none())
        return int16_samples ? dtw::DTW_L1 : dtw::DTW_L2_SQUARED;
    Py_ssize_t size = 0;
    const char *text = PyUnicode_Check(distance.ptr()) ? PyUnicode_AsUTF8AndSize(distance.ptr(), &size) : nullptr;
    if (text == nullptr) {
        PyErr_Clear();  // a lone surrogate does not encode
        raise_type_error("distance= must be \"l1\", \"l2_squared\", or None");
    }
    const std::string_view name(text, static_cast<size_t>(size));
    if (name == "l1")
        return dtw::DTW_L1;
    if (name == "l2_squared")
        return dtw::DTW_L2_SQUARED;
    raise_value_error("distance= must be \"l1\" or \"l2_squared\"");
}

bool is_dtw_sample_kind(ElementKind kind) {
    return kind == ELEMENT_FLOAT32 || kind == ELEMENT_FLOAT64 || kind == ELEMENT_INT16;
}

// The samples of a buffer as a typed pointer. An exporter may hand out a
// buffer that is not aligned for its item type; those samples are copied.
template <typename Sample>
class SampleSpan {
  public:
    explicit SampleSpan(const BufferView &v) : size_(v.element_count()) {
        if (reinterpret_cast<uintptr_t>(v.view.buf) % alignof(Sample) == 0) {
            data_ = static_cast<const Sample *>(v.view.buf);
        } else {
            copy_.resize(size_);
            std::memcpy(copy_.data(), v.view.buf, size_ * sizeof(Sample));
            data_ = copy_.data();
        }
    }
    const Sample *data() const noexcept { return data_; }
    uint64_t size() const noexcept { return size_; }

  private:
    size_t size_;
    std::vector<Sample> copy_;
    const Sample *data_ = nullptr;
};

template <typename Sample>
double dtw_of_views(const BufferView &query, const BufferView &target, dtw::DtwDistanceKind cost,
                    DtwBand band) {
    const SampleSpan<Sample> q(query), t(target);
    return dtw::dtw_kernel<Sample>(q.data(), q.size(), t.data(), t.size(), cost, band.radius, band.has_band);
}

// Both views hold samples of one supported kind.
double dtw_of_views(const BufferView &query, const BufferView &target, dtw::DtwDistanceKind cost,
                    DtwBand band) {
    switch (query.element_kind) {
        case ELEMENT_FLOAT32: return dtw_of_views<float>(query, target, cost, band);
        case ELEMENT_FLOAT64: return dtw_of_views<double>(query, target, cost, band);
        default: return dtw_of_views<int16_t>(query, target, cost, band);
    }
}

void free_dtw_distances(void *vector) noexcept { delete static_cast<std::vector<double> *>(vector); }

}  // namespace

double py_dtw(nb::handle query, nb::handle target, nb::handle window, nb::handle distance) {
    // Declared in this order so that the target's buffer is released first.
    const BufferView q = probe_buffer(query.ptr());
    const BufferView t = probe_buffer(target.ptr());
    if (q.failed || t.failed)
        raise_type_error("dtw inputs must be ndarrays with float32, float64, or int16 dtype");
    if (!q.has_buffer || !t.has_buffer)
        raise_type_error("dtw requires ndarray inputs (sequences / bytes / str not supported)");
    if (q.element_kind != t.element_kind)
        raise_type_error("dtw query and target must share dtype");
    if (!is_dtw_sample_kind(q.element_kind))
        raise_type_error("dtw requires float32, float64, or int16 ndarray dtype");
    const uint64_t n = q.element_count(), m = t.element_count();
    if (n == 0 || m == 0)
        raise_value_error("dtw inputs must be non-empty");
    const DtwBand band = dtw_window_band("dtw", window, n, m);
    const dtw::DtwDistanceKind cost = dtw_distance_kind(distance, q.element_kind == ELEMENT_INT16);
    return dtw_of_views(q, t, cost, band);
}

Float64Array py_dtw_distances(nb::handle query, nb::handle targets, nb::handle window, nb::handle distance) {
    TargetSnapshot snapshot(targets.ptr(), "targets must be a sequence of target ndarrays");
    BufferView passed = probe_buffer(query.ptr());
    if (passed.failed || !passed.has_buffer)
        raise_type_error("dtw_distances query must be an ndarray with float32, float64, or int16 dtype");
    if (!is_dtw_sample_kind(passed.element_kind))
        raise_type_error("dtw_distances requires float32, float64, or int16 ndarray dtype");
    const uint64_t n = passed.element_count();
    if (n == 0)
        raise_value_error("dtw_distances query must be non-empty");
    const dtw::DtwDistanceKind cost = dtw_distance_kind(distance, passed.element_kind == ELEMENT_INT16);
    // Every target meets the query's samples as passed: Python code run
    // between two targets (a target's buffer exporter, a signal handler) may
    // write into the caller's array.
    const nb::object samples = buffer_copy(passed);
    passed.release();
    const BufferView q = probe_buffer(samples.ptr());

    std::vector<double> out;
    out.reserve(snapshot.size());
    InterruptPoll poll;
    for (size_t k = 0; k < snapshot.size(); ++k) {
        const BufferView t = probe_buffer(snapshot[k]);
        if (t.failed || !t.has_buffer)
            raise_type_error("dtw_distances targets must all be ndarrays with the same dtype as query");
        if (t.element_kind != q.element_kind)
            raise_type_error("dtw_distances: target dtype must match query dtype");
        const uint64_t m = t.element_count();
        if (m == 0)
            raise_value_error("dtw_distances: every target must be non-empty");
        out.push_back(dtw_of_views(q, t, cost, dtw_window_band("dtw_distances", window, n, m)));
        poll.advance(InterruptPoll::pair_cells(n, m));
    }
    return export_batch_result(std::move(out), free_dtw_distances);
}

}  // namespace veltrocamber
