#include "module/scorer_registry.hpp"

#include <unordered_map>

namespace veltrocamber {
namespace {

struct RegisteredScorer {
    PyObject *fn;  // strong reference
    ScorerId id;
};

class ScorerRegistry {
public:
    ScorerRegistry() = default;
    ScorerRegistry(const ScorerRegistry &) = delete;
    ScorerRegistry &operator=(const ScorerRegistry &) = delete;

    ~ScorerRegistry() {
        // Destroyed by the process exit handlers, normally after the
        // interpreter is gone; the references may only be dropped while it
        // still runs.
        if (!Py_IsInitialized())
            return;
        for (auto &[address, entry] : entries_)
            Py_DECREF(entry.fn);
    }

    void set(PyObject *fn, ScorerId id) {
        auto [it, inserted] = entries_.try_emplace(reinterpret_cast<uintptr_t>(fn), RegisteredScorer{fn, id});
        if (inserted)
            Py_INCREF(fn);
        else
            it->second.id = id;
    }

    std::optional<ScorerId> get(PyObject *fn) const {
        auto it = entries_.find(reinterpret_cast<uintptr_t>(fn));
        if (it == entries_.end())
            return std::nullopt;
        return it->second.id;
    }

private:
    std::unordered_map<uintptr_t, RegisteredScorer> entries_;
};

ScorerRegistry &registry() {
    static ScorerRegistry instance;
    return instance;
}

}  // namespace

void register_scorer(PyObject *fn, ScorerId id) { registry().set(fn, id); }

std::optional<ScorerId> lookup_scorer(PyObject *fn) { return registry().get(fn); }

}  // namespace veltrocamber
