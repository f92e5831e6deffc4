// A scripted producer for _ThresholdIterator, so that the tests can drive
// __next__ and the destructor end to end. _swar never creates an iterator
// itself; this producer behaves as a real one must: it owns references to
// its objects, its workers push under the mutex and notify, wait on has_room
// while the queue is full and give up on stop or cancel, set done after their
// last push, and never touch the interpreter lock.
//
// The iterator it returns is _swar's own class: nanobind's type registry is
// shared by every module of the interpreter, and this module imports _swar
// before it registers anything.
#include <Python.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/tuple.h>
#include <nanobind/stl/vector.h>

#include "distance/threshold_iterator.hpp"
#include "module/raisers.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {
namespace {

using cdist_threshold::ThresholdIterator;
using cdist_threshold::ThresholdQueue;
using cdist_threshold::ThresholdRecord;
using cdist_threshold::ThresholdSharedState;

// What the workers do; fixed before the first worker starts.
struct ProducerScript {
    std::vector<ThresholdRecord> records;  // worker w pushes records w, w + workers, ...
    size_t capacity = 1;                   // the queue never holds more records than this
    size_t workers = 1;
    bool hold_until_stop = false;          // after the last push, wait for cancel and never finish
    bool notify_done = true;               // false: set done and wake nobody
    std::chrono::microseconds done_delay{0};  // how long the last worker waits before setting done
    std::atomic<size_t> finished{0};
};

// Waits in short sleeps until cancel is set (true) or `limit` has passed
// (false); without a limit, until cancel.
bool wait_for_cancel(const ThresholdSharedState &state, std::optional<std::chrono::microseconds> limit) {
    const auto until = std::chrono::steady_clock::now() + limit.value_or(std::chrono::microseconds(0));
    while (!state.cancel.load(std::memory_order_acquire)) {
        if (limit && std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void run_worker(ThresholdSharedState &state, ProducerScript &script, size_t first) {
    ThresholdQueue &queue = *state.queue;
    for (size_t i = first; i < script.records.size(); i += script.workers) {
        std::unique_lock lock(queue.mutex);
        queue.has_room.wait(lock, [&] {
            return queue.stop || state.cancel.load(std::memory_order_acquire) ||
                   queue.records.size() < script.capacity;
        });
        if (queue.stop || state.cancel.load(std::memory_order_acquire))
            return;
        queue.records.push_back(script.records[i]);
        lock.unlock();
        queue.has_items.notify_one();
    }
    if (script.hold_until_stop) {
        wait_for_cancel(state, std::nullopt);
        return;
    }
    if (script.finished.fetch_add(1) + 1 != script.workers)
        return;  // the last worker to finish reports done for all
    if (wait_for_cancel(state, script.done_delay))
        return;
    if (!script.notify_done) {
        state.done.store(true, std::memory_order_release);
        return;
    }
    {
        std::lock_guard lock(queue.mutex);
        state.done.store(true, std::memory_order_release);
    }
    queue.has_items.notify_all();
}

// States kept by an owner outside the workers, as a producer that outlives
// its iterator would; released by release_lingering_states().
std::vector<std::shared_ptr<ThresholdSharedState>> &lingering_states() {
    static std::vector<std::shared_ptr<ThresholdSharedState>> states;
    return states;
}

using RecordTuple = std::tuple<uint8_t, double, uint64_t, uint64_t, uint64_t>;

ThresholdIterator make_threshold_iterator(std::vector<nb::object> queries, std::vector<nb::object> targets,
                                          const std::vector<RecordTuple> &records, size_t capacity, size_t workers,
                                          nb::object progress, bool hold_until_stop, bool notify_done,
                                          double done_delay, bool linger) {
    if (capacity == 0 || workers == 0)
        raise_value_error("make_threshold_iterator: capacity and workers must be at least 1");
    if (!(done_delay >= 0.0 && done_delay <= 10.0))
        raise_value_error("make_threshold_iterator: done_delay must be in [0, 10] seconds");

    auto script = std::make_shared<ProducerScript>();
    script->records.reserve(records.size());
    for (const auto &[kind, score, query_index, target_index, count] : records)
        script->records.push_back(ThresholdRecord{kind, score, query_index, target_index, count});
    script->capacity = capacity;
    script->workers = workers;
    script->hold_until_stop = hold_until_stop;
    script->notify_done = notify_done;
    script->done_delay = std::chrono::microseconds(static_cast<int64_t>(done_delay * 1e6));

    auto state = std::make_shared<ThresholdSharedState>();
    state->query_objects = std::move(queries);
    state->target_objects = std::move(targets);
    state->queue = std::make_unique<ThresholdQueue>();
    state->has_progress = !progress.is_none();
    state->progress = std::move(progress);

    // The iterator owns the state before any worker starts, so that a failure
    // to start one still stops and joins those already running.
    ThresholdIterator iterator(state);
    if (linger)
        lingering_states().push_back(state);
    state->workers.reserve(workers);
    for (size_t w = 0; w < workers; ++w)
        state->workers.emplace_back([state, script, w] { run_worker(*state, *script, w); });
    return iterator;
}

// Lets go of the lingering states on a thread without the interpreter lock,
// as a producer thread would, and answers how many Python references they
// still held just before.
size_t release_lingering_states() {
    std::vector<std::shared_ptr<ThresholdSharedState>> states;
    states.swap(lingering_states());
    size_t held = 0;
    for (const auto &state : states)
        held += state->query_objects.size() + state->target_objects.size() + (state->progress.is_valid() ? 1 : 0);
    nb::gil_scoped_release unlocked;
    std::thread([&states] { states.clear(); }).join();
    return held;
}

// Drops the last item of `holder` while an exception is pending, as a C++
// caller unwinding past its last reference would, then lets that exception
// propagate.
void drop_while_raising(nb::list holder, const char *message) {
    nb::object item = holder.attr("pop")();
    PyErr_SetString(PyExc_ValueError, message);
    item.reset();
    raise_pending();
}

}  // namespace

void register_threshold_producer_hooks(nb::module_ &m) {
    m.def("make_threshold_iterator", &make_threshold_iterator, "queries"_a, "targets"_a, "records"_a, nb::kw_only(),
          "capacity"_a, "workers"_a, "progress"_a.none() = nb::none(), "hold_until_stop"_a = false,
          "notify_done"_a = true, "done_delay"_a = 0.0, "linger"_a = false);
    m.def("release_lingering_states", &release_lingering_states);
    m.def("drop_while_raising", &drop_while_raising, "holder"_a, "message"_a);
}

}  // namespace veltrocamber::testing
