// The consumer end of an all-pairs threshold stream: worker threads, started
// by whatever creates the iterator, push scored (query, target) records into
// a bounded queue; Python iterates the ThresholdIterator and receives one
// (score, query, target) tuple per result record, while progress-only records
// advance an optional progress object.
//
// What a producer must do, since the consumer and the destructor rely on it:
// - fill query_objects and target_objects before any record refers to them,
//   and leave them alone afterwards;
// - push records to the back of the queue under its mutex and notify
//   has_items after each push; wait on has_room while the queue is as full as
//   it chooses, giving up when stop or cancel is set;
// - set done (release) only after its last push, then notify has_items (a
//   notify that goes astray costs the consumer a short wait, not a hang);
// - never need the interpreter lock, since the destructor joins the workers
//   while holding it, and never touch a Python object.
#pragma once

#include <Python.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <nanobind/nanobind.h>

namespace veltrocamber::cdist_threshold {

// The kind of a record that only advances the progress object; every other
// kind is a result.
inline constexpr uint8_t PROGRESS_ONLY = 1;

struct ThresholdRecord {
    uint8_t kind = 0;
    double score = 0.0;
    uint64_t query_index = 0;     // into ThresholdSharedState::query_objects
    uint64_t target_index = 0;    // into ThresholdSharedState::target_objects
    uint64_t progress_count = 0;  // progress-only records: how far to advance
};

struct ThresholdQueue {
    std::mutex mutex;
    std::condition_variable has_items;  // the consumer waits here for a record
    std::condition_variable has_room;   // signalled after each pop; producers wait here while full
    std::deque<ThresholdRecord> records;  // consumed from the front
    bool stop = false;                    // set under the mutex when the iterator shuts down
};

// Shared by the iterator and the producer threads. The Python references
// (query and target objects, progress) are owned here but may only be
// dropped with the interpreter lock held: the iterator drops them itself
// when it shuts down (destroyed or cleared by the garbage collector), after
// joining the workers, because a producer thread may hold the last reference
// to the state.
struct ThresholdSharedState {
    std::vector<nanobind::object> query_objects;
    std::vector<nanobind::object> target_objects;
    std::atomic<bool> done{false};    // set by the producer after its last push
    std::atomic<bool> cancel{false};  // set when the iterator shuts down
    std::vector<std::thread> workers;
    std::unique_ptr<ThresholdQueue> queue;
    nanobind::object progress;
    bool has_progress = false;
};

// Python's _ThresholdIterator. Movable, not copyable; Python cannot construct
// one, only a producer can. Every member runs with the interpreter lock held.
//
// The iterator owns the state's Python references (it drops them when it
// shuts down, whoever else keeps the state) and so takes part in garbage
// collection: a progress object or a query that refers back to the iterator
// makes a cycle. Clearing it is shutting it down, as its destructor does;
// an iterator shut down, also by Python code run while one of its calls is
// in progress (a handler, a progress update, another thread while this one
// waits), answers StopIteration from then on.
class ThresholdIterator {
public:
    explicit ThresholdIterator(std::shared_ptr<ThresholdSharedState> state) noexcept : state_(std::move(state)) {}
    ThresholdIterator(ThresholdIterator &&other) noexcept = default;
    ThresholdIterator &operator=(ThresholdIterator &&other) noexcept;
    ThresholdIterator(const ThresholdIterator &) = delete;
    ThresholdIterator &operator=(const ThresholdIterator &) = delete;
    ~ThresholdIterator() { shut_down(); }

    // The next (score, query, target) tuple; StopIteration once the producer
    // is done and every record pushed before that has been delivered.
    nanobind::object next();

    // Cancels and stops the producer, wakes every waiter, joins the workers,
    // closes the progress object (its errors discarded), drops the Python
    // references and lets the state go. The state leaves the iterator
    // first, so that a call made by the Python code this runs (close, a
    // finalizer) finds the iterator already shut down.
    void shut_down() noexcept;

    // Py_VISIT on every Python object the state holds. Reads only what the
    // producer leaves alone once it has started.
    int visit_held_objects(visitproc visit, void *arg) const noexcept;

private:
    std::shared_ptr<ThresholdSharedState> state_;
};

// Python's __next__: next() with a reference to the Python object of `self`
// held throughout, so that Python code run meanwhile (a progress update, a
// signal handler) cannot free the iterator under the call.
nanobind::object threshold_iterator_next(ThresholdIterator &self);

}  // namespace veltrocamber::cdist_threshold
