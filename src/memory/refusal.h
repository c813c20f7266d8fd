// Exceptions stop at the subsystem functions the exports call: these are
// noexcept, and where they use memory of their own (a temporary buffer, a
// table entry) or a platform call that may throw, they run that work through
// refusing(), which turns an exception into the function's refusal result.
#pragma once

#include <utility>

namespace kx {

template <class R, class F> R refusing(R refusal, F&& work) noexcept {
    try {
        return std::forward<F>(work)();
    } catch (...) {
        return refusal;
    }
}

template <class F> void refusing(F&& work) noexcept {
    try {
        std::forward<F>(work)();
    } catch (...) {
    }
}

} // namespace kx
