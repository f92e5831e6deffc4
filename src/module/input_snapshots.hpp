// What a call holds of its inputs so that it reads each of them once and in
// one version.
//
// Python code can run in the middle of a call: an item's __hash__, __eq__,
// __len__ or __iter__, a buffer exporter. That code may edit a list the call
// was given (clear it, shrink it, put other objects in it), so a call keeps
// no pointer into a caller's list across it. And an input may be one-shot: a
// generator or an iterator is drained by its first reading, and any other
// iterable that is not a sequence may run code of its own at each reading.
//
// - TargetSnapshot: the targets of a batch, top-k or extract-style call,
//   with a reference to every target as it was passed. Scoring and
//   selection both read it, so an edit made under the call changes nothing
//   the call returns.
// - ReusableInput: an input that a call passes to input preparation more
//   than once (a batch's query, once per target). Its items are read once,
//   into a tuple (or its buffer copied once), which every reading then gets.
// - items_tuple: items that input preparation has already taken, as a tuple
//   that a second preparation of the same pair can read.
#pragma once

#include <Python.h>

#include <cstddef>
#include <vector>

#include <nanobind/nanobind.h>

#include "module/input_views.hpp"

namespace veltrocamber {

// The PySequence_Fast message of every batch whose targets are sequences.
inline constexpr const char *TARGET_SEQUENCES_MESSAGE = "targets must be a sequence of target sequences";

// Asks a TargetSnapshot to wait until it is needed; interrupt checks only
// keep the target in hand alive (see TargetSnapshot).
struct DeferredSnapshot {};
inline constexpr DeferredSnapshot deferred_snapshot{};

// Asks a TargetSnapshot to wait until any Python code may run, an interrupt
// check's included, and to be held then (see TargetSnapshot).
struct DeferredUntilPythonCode {};
inline constexpr DeferredUntilPythonCode deferred_until_python_code{};

// The targets of one call. PySequence_Fast(targets, message) takes a list or
// tuple as it is, drains any other iterable once and raises TypeError
// `message` for anything else. A tuple already is the snapshot (nothing can
// change it); the items of a list are copied, with a reference to each, at
// once, or, deferred, when the call's own reading may first run Python code.
//
// Deferring spares the edit-distance batches a reference count per target,
// which shows at their tens of nanoseconds a target: no Python code runs
// while such a batch compares an exact str or bytes query with exact str or
// bytes targets, so until then the caller's list is read in place. The
// snapshot is taken
//   - by operator[], before it hands out a target that is not an exact str
//     or bytes (its __hash__, __iter__, __len__ or buffer may run code);
//   - by items(), and by hold(), which the caller of a deferred snapshot
//     calls before any other step of its own that may run Python code
//     (reading a query that is not an exact str or bytes, converting a
//     keyword object).
// Interrupt checks run Python code too (their signal handlers and garbage
// collection), every few million cells. A snapshot deferred with
// deferred_until_python_code is taken there, by guard_deferred_snapshots():
// no Python code has run under the call before the first check, so the list
// then still is the list as passed, and the call answers for it whatever a
// handler does. This is for a call that lists the targets it scored (the
// per-query search): it needs them all as passed, and a call short enough
// to meet no check never pays for the references.
//
// The batches, deferred with deferred_snapshot, do not take it there: that
// would cost them what deferring saves in every call long enough to meet a
// check. Instead guard_deferred_snapshots() keeps the target last handed
// out alive across the check, and operator[] makes sure the list still has
// the storage and the size it had: a handler that resized the list makes
// the call raise RuntimeError "targets changed during the call", and one
// that replaced an item in place is seen by the targets read after it.
// Nothing dangles either way. The top-k functions hold the snapshot before
// they score any target, as their result needs every target held anyway.
class TargetSnapshot {
public:
    TargetSnapshot(PyObject *targets, const char *message);
    TargetSnapshot(PyObject *targets, const char *message, DeferredSnapshot);
    TargetSnapshot(PyObject *targets, const char *message, DeferredUntilPythonCode);
    TargetSnapshot(const TargetSnapshot &) = delete;  // items_ may point into owned_
    TargetSnapshot &operator=(const TargetSnapshot &) = delete;
    ~TargetSnapshot();

    size_t size() const noexcept { return size_; }

    // Target i, borrowed from the snapshot, or from the list read in place;
    // either way it stays alive across the interrupt checks that follow,
    // until the next call.
    PyObject *operator[](size_t i) {
        if (held_)
            return items_[i];
        if (list_changed()) [[unlikely]]
            raise_changed();
        PyObject *target = items_[i];
        if (!is_exact_text(target))
            hold();  // the same object, now held by the snapshot
        current_ = target;
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
    friend void guard_deferred_snapshots();

    // A list read in place that no longer has the storage and the size it
    // had when it was read first.
    bool list_changed() const noexcept {
        return PySequence_Fast_ITEMS(sequence_.ptr()) != items_ ||
               static_cast<size_t>(PySequence_Fast_GET_SIZE(sequence_.ptr())) != size_;
    }
    [[noreturn]] static void raise_changed();
    void stop_deferring() noexcept;

    nanobind::object sequence_;  // PySequence_Fast's result
    PyObject **owned_ = nullptr; // a list's items, one reference each, once held
    PyObject *const *items_ = nullptr;
    size_t size_ = 0;
    bool held_ = false;
    bool held_at_checks_ = false;  // deferred until Python code, interrupt checks included
    // While deferred: the target last handed out, and a reference to it
    // taken before an interrupt check; the next deferred snapshot of the
    // thread.
    PyObject *current_ = nullptr;
    nanobind::object guarded_;
    TargetSnapshot *next_deferred_ = nullptr;
};

// Before an interrupt check: every snapshot of the calling thread that still
// reads a list in place is held, if deferred until Python code, or else keeps
// the target it last handed out alive. May raise MemoryError.
void guard_deferred_snapshots();

// `input` as every reading of one call sees it: one version of it, however
// much Python code runs between two readings (an item's __hash__, a signal
// handler, a finalizer may edit a list, write into an array, or drain an
// iterator). Input preparation still runs on every reading, so each pair
// keeps its own token width and numbering. By the kind of `input`:
//   - a str or bytes (subclasses too) or an exact tuple cannot change, and
//     is returned as it is;
//   - an exact list is taken into a tuple of its items at construction,
//     before any Python code of the call runs: the call answers for the list
//     as passed;
//   - any other iterable (another sequence type, a generator, an iterator, a
//     set) is taken into a tuple at the first get(): reading it runs code of
//     its own, which may fail, so it is read where preparation would read it
//     first (collect_sequence_items with `name`), with preparation's errors;
//   - an object offering the buffer protocol (a NumPy array, a bytearray) is
//     copied at the first get() into a private, read-only buffer of the same
//     element kind (a memoryview of a bytes object), which preparation reads
//     as it would the original; one whose buffer preparation cannot use is
//     returned as it is, for preparation to refuse with its own error;
//   - anything else is returned as it is, for preparation to refuse.
// `input` is borrowed from the caller.
class ReusableInput {
public:
    ReusableInput(PyObject *input, const char *name);

    PyObject *get() {
        if (pending_)
            take();
        return current();
    }

    // What get() returns once it has been called: the taken reading if there
    // is one yet, else the input itself. Never reads the input.
    PyObject *current() const noexcept { return taken_.is_valid() ? taken_.ptr() : input_; }

private:
    void take();

    PyObject *input_;
    const char *name_;
    bool pending_ = false;  // to be taken at the first get()
    nanobind::object taken_;
};

// A private copy of the elements of `view` (has_buffer set, element_kind
// known): a flat, read-only memoryview of a new bytes object, whose format is
// the element kind's native letter. Reading it runs no Python code, and
// probe_buffer finds in it the same element kind and the same elements.
nanobind::object buffer_copy(const BufferView &view);

// A new tuple holding `items`, in order.
nanobind::object items_tuple(const std::vector<nanobind::object> &items);

}  // namespace veltrocamber
