// What a call holds of its inputs so that it reads each of them in one
// version.
//
// Python code can run in the middle of a call: an item's __hash__, __eq__,
// __len__ or __iter__, a buffer exporter. That code may edit a list the call
// was given (clear it, shrink it, put other objects in it), so a call keeps
// no pointer into a caller's list across it.
//
// - TargetSnapshot: the targets of a batch, top-k or extract-style call, as
//   one tuple holding every target as it was passed. Scoring and selection
//   both read it, so an edit made under the call changes nothing the call
//   returns.
#pragma once

#include <Python.h>

#include <cstddef>

#include <nanobind/nanobind.h>

#include "module/input_views.hpp"

namespace veltrocamber {

// The PySequence_Fast message of every batch whose targets are sequences.
inline constexpr const char *TARGET_SEQUENCES_MESSAGE = "targets must be a sequence of target sequences";

// Asks a TargetSnapshot to wait until it is needed.
struct DeferredSnapshot {};
inline constexpr DeferredSnapshot deferred_snapshot{};

// The targets of one call. PySequence_Fast(targets, message) takes a list or
// tuple as it is, drains any other iterable once and raises TypeError
// `message` for anything else. A tuple already is the snapshot; a list is
// copied into one at once, or, deferred, when Python code may first run.
//
// Deferring spares the edit-distance batches a reference count per target
// (a cost that shows at tens of nanoseconds a target): no Python code runs at
// all while such a batch compares an exact str or bytes query with exact str
// or bytes targets, so until then the caller's list is read in place, since
// nothing can have changed it. The caller of a deferred snapshot keeps the
// bargain: it calls hold() before any step that may run Python code (reading
// a query that is not an exact str or bytes, converting a keyword object)
// other than the work on a target that operator[] handed out; operator[]
// takes the snapshot itself before it hands out any target that is not an
// exact str or bytes.
class TargetSnapshot {
public:
    TargetSnapshot(PyObject *targets, const char *message);
    TargetSnapshot(PyObject *targets, const char *message, DeferredSnapshot);
    TargetSnapshot(const TargetSnapshot &) = delete;  // items_ points into sequence_
    TargetSnapshot &operator=(const TargetSnapshot &) = delete;

    size_t size() const noexcept { return size_; }

    // Target i, borrowed from the snapshot (or from the unchanged list).
    PyObject *operator[](size_t i) {
        PyObject *target = items_[i];
        if (!held_ && !is_exact_text(target))
            hold();  // the same object, now owned by the snapshot
        return target;
    }

    // All size() targets in order, borrowed from the snapshot.
    PyObject *const *items() {
        hold();
        return items_;
    }

    // Takes the snapshot, once.
    void hold();

private:
    nanobind::object sequence_;  // PySequence_Fast's result, then the snapshot
    PyObject *const *items_ = nullptr;
    size_t size_ = 0;
    bool held_ = false;
};

}  // namespace veltrocamber
