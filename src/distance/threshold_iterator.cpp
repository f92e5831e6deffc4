#include "distance/threshold_iterator.hpp"

#include <atomic>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber::cdist_threshold {
namespace {

// The longest a single wait for a record may last. A producer may set done
// and notify without the mutex, so its notify can fall between our test of
// done and our wait; waiting in bounded slices turns that lost wake-up into a
// short delay, and taking the interpreter lock back between slices lets
// Ctrl-C through while nothing arrives.
constexpr auto WAIT_SLICE = std::chrono::milliseconds(20);

enum class Take { RECORD, FINISHED, TIMED_OUT };

// Safe to ask without the interpreter lock.
bool interpreter_finalizing() noexcept {
#if PY_VERSION_HEX >= 0x030D0000
    return Py_IsFinalizing() != 0;
#else
    return _Py_IsFinalizing() != 0;
#endif
}

// Threads waiting without the interpreter lock (below), parked ones
// included. At exit each keeps the iterator it was called on alive to the
// end, parked or ended by CPython, so that nanobind's exit report would list
// the iterator, and what it keeps, as leaked by a reference-counting error;
// the report is turned off then, by an exit function that runs before
// nanobind's: exit functions run last registered first, and nanobind
// registers its own when the module is loaded, before any iterator waits.
// A thread still in a slice of its wait when the exit functions run counts
// as well as one already parked: it parks once the slice ends.
std::atomic<int> threads_waiting{0};

void quiet_the_exit_report_of_waiting_threads() {
    if (threads_waiting.load(std::memory_order_acquire) != 0)
        nb::set_leak_warnings(false);
}

// Called with the interpreter lock held, before each wait.
void register_the_exit_report_check() {
    static const bool registered = Py_AtExit(quiet_the_exit_report_of_waiting_threads) == 0;
    (void)registered;
}

[[noreturn]] void park_until_the_process_ends() noexcept {
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

// The interpreter lock released for one wait and taken back after it,
// unless the interpreter began to finalize in between. From then on CPython
// ends any other thread that asks for the lock with a forced unwind from
// inside PyEval_RestoreThread; that unwind cannot pass the noexcept frames
// on its way (nor nanobind's dispatcher, which catches everything), so the
// process would abort on every exit that leaves a daemon thread waiting
// here. Such a thread parks instead, holding no lock, until the process is
// gone. The check and the retake are not one step, and a thread waiting for
// the lock when the exit begins is ended too: so a thread other than the
// main one waits without the lock until a record, the end or a shut-down
// comes (take_record), and asks for the lock back only then.
//
// A wait that began with finalization already under way runs on the
// finalizing thread itself (no other thread holds the lock by then), which
// takes the lock back as usual.
class UnlockedWait {
public:
    UnlockedWait() noexcept : finalizing_before_(interpreter_finalizing()) {
        register_the_exit_report_check();
        threads_waiting.fetch_add(1, std::memory_order_release);
        saved_ = PyEval_SaveThread();
    }
    ~UnlockedWait() {
        if (!finalizing_before_ && interpreter_finalizing())
            park_until_the_process_ends();
        PyEval_RestoreThread(saved_);
        threads_waiting.fetch_sub(1, std::memory_order_release);
    }
    UnlockedWait(const UnlockedWait &) = delete;
    UnlockedWait &operator=(const UnlockedWait &) = delete;

private:
    bool finalizing_before_;
    PyThreadState *saved_ = nullptr;
};

// Python runs signal handlers on the main thread only: the one thread whose
// wait comes back for them.
// Asked of Python once and kept (threads that ask at once all keep the same
// answer; no guard is held while Python code runs).
std::atomic<unsigned long> main_thread_ident{0};

bool on_main_thread() {
    unsigned long main = main_thread_ident.load(std::memory_order_relaxed);
    if (main == 0) {
        main = nb::cast<unsigned long>(nb::module_::import_("threading").attr("main_thread")().attr("ident"));
        main_thread_ident.store(main, std::memory_order_relaxed);
    }
    return PyThread_get_thread_ident() == main;
}

// Waiting for the front record, with the interpreter lock released for the
// whole of it and never held together with the mutex: one slice on the main
// thread (TIMED_OUT when nothing came, so that the caller runs the signal
// handlers), slices until something comes on any other. Records travel
// under the mutex and done is only consulted with the queue empty under that
// mutex, so a record pushed before done is always seen before done is. A
// shut-down (stop) ends the wait too, as TIMED_OUT: the caller sees it.
Take take_record(ThresholdSharedState &state, ThresholdRecord &out, bool one_slice) {
    ThresholdQueue &queue = *state.queue;
    UnlockedWait unlocked;
    std::unique_lock lock(queue.mutex);
    for (;;) {
        queue.has_items.wait_for(lock, WAIT_SLICE, [&] {
            return !queue.records.empty() || state.done.load(std::memory_order_acquire) || queue.stop;
        });
        if (!queue.records.empty())
            break;
        if (state.done.load(std::memory_order_acquire))
            return Take::FINISHED;
        if (one_slice || queue.stop)
            return Take::TIMED_OUT;
    }
    out = queue.records.front();
    queue.records.pop_front();
    queue.has_room.notify_one();
    return Take::RECORD;
}

nb::object interned(const char *name) {
    PyObject *s = PyUnicode_InternFromString(name);
    if (s == nullptr)
        raise_pending();
    return nb::steal(s);
}

nb::object result_tuple(const ThresholdSharedState &state, const ThresholdRecord &record) {
    if (record.query_index >= state.query_objects.size() || record.target_index >= state.target_objects.size())
        raise_runtime_error("_ThresholdIterator: a record refers to a query or target the producer did not provide");
    return nb::make_tuple(record.score, state.query_objects[record.query_index],
                          state.target_objects[record.target_index]);
}

// Calls progress.close() with any pending exception set aside (an iterator
// may be collected while one unwinds) and restored afterwards; an error from
// close itself is discarded, since a destructor has nowhere to report it.
void close_progress(nb::handle progress) noexcept {
    nb::error_scope pending;
    PyObject *name = PyUnicode_InternFromString("close");
    PyObject *result = name != nullptr ? PyObject_CallMethodNoArgs(progress.ptr(), name) : nullptr;
    Py_XDECREF(name);
    if (result == nullptr)
        PyErr_Clear();
    Py_XDECREF(result);
}

[[noreturn]] void raise_stop_iteration() {
    PyErr_SetNone(PyExc_StopIteration);
    raise_pending();
}

}  // namespace

ThresholdIterator &ThresholdIterator::operator=(ThresholdIterator &&other) noexcept {
    if (this != &other) {
        shut_down();
        state_ = std::move(other.state_);
    }
    return *this;
}

nb::object ThresholdIterator::next() {
    // Held for the whole call: Python code run below may shut the iterator
    // down, and the queue must outlive that.
    const std::shared_ptr<ThresholdSharedState> held = state_;
    if (!held)
        raise_stop_iteration();
    ThresholdSharedState &state = *held;
    if (!state.queue)
        raise_runtime_error("_ThresholdIterator: the producer gave no record queue");
    const bool main_thread = on_main_thread();
    for (;;) {
        // A signal handler or a progress update run by the last round may
        // have shut the iterator down; its objects are gone then.
        if (state_ != held)
            raise_stop_iteration();
        ThresholdRecord record;
        Take taken;
        try {
            taken = take_record(state, record, main_thread);
        } catch (const std::system_error &e) {
            // The interpreter lock is back once the exception has left
            // take_record.
            const std::string message = std::string("_ThresholdIterator: cannot lock the record queue (") +
                                        e.code().message() + ")";
            raise_runtime_error(message.c_str());
        }
        switch (taken) {
        case Take::TIMED_OUT:
            if (PyErr_CheckSignals() != 0)
                raise_pending();
            continue;
        case Take::FINISHED:
            raise_stop_iteration();
        case Take::RECORD:
            break;
        }
        // Another thread may have shut the iterator down while this one
        // waited without the interpreter lock: the record then refers to
        // objects already dropped.
        if (state_ != held)
            raise_stop_iteration();
        if (record.kind != PROGRESS_ONLY)
            return result_tuple(state, record);
        if (state.has_progress && record.progress_count != 0)
            state.progress.attr(interned("update"))(record.progress_count);
    }
}

void ThresholdIterator::shut_down() noexcept {
    // Taken out first: closing the progress object and dropping the last
    // references run Python code, which may call this iterator again.
    const std::shared_ptr<ThresholdSharedState> owned = std::move(state_);
    if (!owned)
        return;
    ThresholdSharedState &state = *owned;
    state.cancel.store(true, std::memory_order_release);
    if (state.queue) {
        {
            std::lock_guard lock(state.queue->mutex);
            state.queue->stop = true;
        }
        state.queue->has_room.notify_all();
        state.queue->has_items.notify_all();
    }
    // The interpreter lock stays held while joining: a producer never needs
    // it, and keeping it means no other Python thread can reach this object
    // half torn down.
    for (std::thread &worker : state.workers)
        if (worker.joinable())
            worker.join();
    if (state.has_progress)
        close_progress(state.progress);
    // Drop every Python reference now, with the lock held: whoever lets go of
    // the state last (possibly a producer thread) must find none left.
    state.query_objects.clear();
    state.target_objects.clear();
    state.progress.reset();
    state.has_progress = false;
}

int ThresholdIterator::visit_held_objects(visitproc visit, void *arg) const noexcept {
    if (!state_)
        return 0;
    for (const nb::object &query : state_->query_objects)
        Py_VISIT(query.ptr());
    for (const nb::object &target : state_->target_objects)
        Py_VISIT(target.ptr());
    Py_VISIT(state_->progress.ptr());
    return 0;
}

nb::object threshold_iterator_next(ThresholdIterator &self) {
    const nb::object held = nb::find(&self);
    return self.next();
}

}  // namespace veltrocamber::cdist_threshold
