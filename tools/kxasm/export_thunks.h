// Typed calls through an export's address: each distinct function type gets
// one thunk that converts 32-bit argument words to the parameter types and
// the result back to raw bits. Used by the generated export table.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>

#include "exports.h"

namespace kx::kxasm {

template <typename T> constexpr char kind_letter() {
    if constexpr (std::is_pointer_v<T>)
        return 'p';
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return 'i';
    else if constexpr (std::is_same_v<T, std::uint32_t>)
        return 'u';
    else if constexpr (std::is_same_v<T, float>)
        return 'f';
    else if constexpr (std::is_void_v<T>)
        return 'v';
    else
        return '?';
}

struct Signature {
    char result;
    std::string_view params;
    constexpr bool operator==(const Signature&) const = default;
};

template <typename F> struct FunctionTraits;
template <typename R, typename... A> struct FunctionTraits<R (*)(A...)> {
    static constexpr char result = kind_letter<R>();
    static constexpr char params[] = {kind_letter<A>()..., '\0'};
};

template <typename F> constexpr Signature signature_of() {
    return {FunctionTraits<F>::result, std::string_view(FunctionTraits<F>::params)};
}

template <typename T> T from_word(std::uint32_t w) {
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<T>(static_cast<std::uintptr_t>(w)); // zero-extended
    else if constexpr (std::is_same_v<T, float>)
        return std::bit_cast<float>(w);
    else
        return static_cast<T>(w);
}

template <typename R> std::uint64_t to_bits(R r) {
    if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<std::uintptr_t>(r);
    else if constexpr (std::is_same_v<R, float>)
        return std::bit_cast<std::uint32_t>(r);
    else
        return static_cast<std::uint32_t>(r);
}

template <typename F> struct Thunk;
template <typename R, typename... A> struct Thunk<R (*)(A...)> {
    static std::uint64_t call(void* fn, const std::uint32_t* args) {
        return invoke(reinterpret_cast<R (*)(A...)>(fn), args, std::index_sequence_for<A...>{});
    }
    template <std::size_t... K>
    static std::uint64_t invoke(R (*f)(A...), [[maybe_unused]] const std::uint32_t* args,
                                std::index_sequence<K...>) {
        if constexpr (std::is_void_v<R>) {
            f(from_word<A>(args[K])...);
            return 0;
        } else {
            return to_bits(f(from_word<A>(args[K])...));
        }
    }
};

} // namespace kx::kxasm
