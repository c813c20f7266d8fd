// The quicksorts (see sort.h). The ranges left after partitioning are
// disjoint, so the order in which they are sorted does not change the result;
// the smaller one is sorted first and the larger one iterated, which bounds
// the recursion depth by log2 of the element count.
#include "memory/sort.h"

#include <cstring>
#include <utility>

#include "kxp/heap.h"

namespace kx::memory {
namespace {

// Access is an adaptor: key(i) to compare, swap(i, j) to exchange.
template <class Access> void quicksort(Access& a, std::int64_t first, std::int64_t last) {
    while (first < last) {
        const auto pivot = a.key((first + last) / 2);
        std::int64_t i = first, j = last;
        while (i <= j) {
            // The bounds keep the scans inside the range even when the
            // comparisons are not an order (floats with NaN).
            while (i < last && a.key(i) < pivot)
                ++i;
            while (j > first && pivot < a.key(j))
                --j;
            if (i <= j) {
                a.swap(i, j);
                ++i;
                --j;
            }
        }
        // Now first..j and i..last remain.
        if (j - first < last - i) {
            if (first < j) quicksort(a, first, j);
            first = i;
        } else {
            if (i < last) quicksort(a, i, last);
            last = j;
        }
    }
}

template <class T> struct Plain {
    T* p;
    T key(std::int64_t i) const { return p[i]; }
    void swap(std::int64_t i, std::int64_t j) { std::swap(p[i], p[j]); }
};

struct Pairs {
    std::uint32_t* p;
    std::int32_t* pair(std::int64_t i) const { return kxp::ptr<std::int32_t>(p[i]); }
    std::int32_t key(std::int64_t i) const { return pair(i)[0]; }
    void swap(std::int64_t i, std::int64_t j) {
        std::int32_t* x = pair(i);
        std::int32_t* y = pair(j);
        std::swap(x[0], y[0]);
        std::swap(x[1], y[1]);
    }
};

} // namespace

void sort_ints(std::int32_t* a, std::int32_t first, std::int32_t last) noexcept {
    if (!a) return;
    Plain<std::int32_t> acc{a};
    quicksort(acc, first, last);
}

void sort_floats(float* a, std::int32_t first, std::int32_t last) noexcept {
    if (!a) return;
    Plain<float> acc{a};
    quicksort(acc, first, last);
}

void sort_pairs(std::uint32_t* a, std::int32_t first, std::int32_t last) noexcept {
    if (!a) return;
    Pairs acc{a};
    quicksort(acc, first, last);
}

} // namespace kx::memory
