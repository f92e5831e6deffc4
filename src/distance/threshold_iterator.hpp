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
    bool stop = false;                    // set under the mutex by the iterator's destructor
};

// Shared by the iterator and the producer threads. The Python references
// (query and target objects, progress) are owned here but may only be
// dropped with the interpreter lock held: the iterator's destructor drops
// them itself after joining the workers, because a producer thread may hold
// the last reference to the state.
struct ThresholdSharedState {
    std::vector<nanobind::object> query_objects;
    std::vector<nanobind::object> target_objects;
    std::atomic<bool> done{false};    // set by the producer after its last push
    std::atomic<bool> cancel{false};  // set by the iterator's destructor
    std::vector<std::thread> workers;
    std::unique_ptr<ThresholdQueue> queue;
    nanobind::object progress;
    bool has_progress = false;
};

// Python's _ThresholdIterator. Movable, not copyable; Python cannot construct
// one, only a producer can. Every member runs with the interpreter lock held.
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

private:
    // Cancels and stops the producer, wakes every waiter, joins the workers,
    // closes the progress object and lets the state go.
    void shut_down() noexcept;

    std::shared_ptr<ThresholdSharedState> state_;
};

}  // namespace veltrocamber::cdist_threshold
