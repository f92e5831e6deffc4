// Top-k selection over a vector of per-target scores.
//
// A bounded binary heap keeps the k best entries with the worst at its root;
// the returned list follows the heap's array order (worst kept entry first),
// not a sorted order, so the heap operations are written out here rather
// than borrowed from a standard library whose internals may differ. Among
// equal scores the earlier target stays. NaN ranks below every number, so a
// NaN never blocks a better target from entering.
//
// The heap is filled in one of two ways: select_top_k takes the first k
// scores at once and arranges them (build), the per-query search pushes
// entries as they come (push); both then replace the root by better ones.
#pragma once

#include <Python.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include <nanobind/nanobind.h>

namespace veltrocamber {

// Each result entry is the tuple (target, score, index); the target is the
// caller's own object. `targets` holds n borrowed references.
nanobind::list select_top_k(const std::vector<int64_t> &scores, PyObject *const *targets, uint64_t k,
                            bool higher_is_better);
nanobind::list select_top_k_float(const std::vector<double> &scores, PyObject *const *targets, uint64_t k,
                                  bool higher_is_better);

namespace top_k_detail {

template <typename Score>
struct HeapEntry {
    Score score;
    uint64_t index;
};

template <typename Score>
inline bool is_nan(Score s) {
    if constexpr (std::is_floating_point_v<Score>)
        return s != s;
    else
        return false;
}

// True when a ranks strictly better than b.
template <typename Score>
inline bool better(Score a, Score b, bool higher_is_better) {
    if (is_nan(a))
        return false;
    if (is_nan(b))
        return true;
    return higher_is_better ? a > b : a < b;
}

// The heap keeps its worst entry at the root: no parent is better than either
// child. Slot arithmetic is integer division rounding towards zero.
template <typename Score>
class BoundedHeap {
public:
    BoundedHeap(std::vector<HeapEntry<Score>> &slots, bool higher_is_better)
        : s_(slots), higher_(higher_is_better) {}

    void build() {
        const int64_t len = static_cast<int64_t>(s_.size());
        if (len < 2)
            return;
        for (int64_t p = (len - 2) / 2;; --p) {
            sift(p, len, s_[p]);
            if (p == 0)
                break;
        }
    }

    // Appends `entry` in the room the caller reserved and lifts it into
    // place: a parent moves down while `entry` is better than it.
    void push(HeapEntry<Score> entry) {
        s_.push_back(entry);
        lift(static_cast<int64_t>(s_.size()) - 1, 0, entry);
    }

    // Replaces the root by `entry` (which the caller has found better than it).
    void replace_root(HeapEntry<Score> entry) {
        const int64_t len = static_cast<int64_t>(s_.size());
        if (len > 1) {  // pop: the root goes to the last slot, which is then overwritten
            HeapEntry<Score> value = s_[len - 1];
            s_[len - 1] = s_[0];
            sift(0, len - 1, value);
        }
        s_[len - 1] = entry;
        lift(len - 1, 0, s_[len - 1]);
    }

private:
    bool better_entry(const HeapEntry<Score> &a, const HeapEntry<Score> &b) const {
        return better(a.score, b.score, higher_);
    }

    // The hole follows the worse of the two children; on equal children, the right one.
    void sift(int64_t hole, int64_t len, HeapEntry<Score> value) {
        const int64_t top = hole;
        int64_t child = hole;
        while (child < (len - 1) / 2) {
            child = 2 * child + 2;
            if (better_entry(s_[child], s_[child - 1]))
                --child;
            s_[hole] = s_[child];
            hole = child;
        }
        if ((len & 1) == 0 && child == (len - 2) / 2) {
            child = 2 * child + 2;
            s_[hole] = s_[child - 1];
            hole = child - 1;
        }
        lift(hole, top, value);
    }

    void lift(int64_t hole, int64_t top, HeapEntry<Score> value) {
        int64_t parent = (hole - 1) / 2;
        while (hole > top && better_entry(s_[parent], value)) {
            s_[hole] = s_[parent];
            hole = parent;
            parent = (hole - 1) / 2;
        }
        s_[hole] = value;
    }

    std::vector<HeapEntry<Score>> &s_;
    bool higher_;
};

}  // namespace top_k_detail
}  // namespace veltrocamber
