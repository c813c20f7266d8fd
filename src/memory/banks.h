// The bank table: every object a running program creates is a bank, a
// zero-filled block registered under a small integer handle. Handle 0 never
// names a bank. Handles come from a slot list whose items are the table's
// handles, so the most recently released handle is the next one given out.
#pragma once

#include <cstdint>

namespace kx::memory {

// Bank types.
enum BankType : std::int16_t {
    kRaw = 0,
    kString = 1,
    kWindow = 7,
    kScreen = 8,
    kImage = 9,
    kSprite = 10,
    kFont = 11,
    kMesh = 12,
    kMap = 13,
    kMapLevel = 14,
};

struct Bank {
    std::int16_t type;
    std::int16_t structure;
    std::int32_t refs;
    std::uint32_t ptr; // address of the bank's memory; 0 when the entry is empty
    std::uint32_t size;
    std::uint32_t serial; // distinct for every bank ever made (see Owned)
};

// A bank that the runtime keeps for itself across calls (scratch tables):
// remembered by handle and serial, so that a handle released by the host and
// given to another bank is not taken for it.
struct Owned {
    std::int32_t handle = 0;
    std::uint32_t serial = 0;
    bool alive() const noexcept;
    void adopt(std::int32_t h) noexcept; // remember a bank just made (h < 1: none)
};

// Opens the table with `table_size` entries (closing an open one first) and
// builds the fold table; false when the table cannot be made.
bool open(std::int32_t table_size) noexcept;
void close() noexcept;
bool is_open() noexcept;
std::int32_t table_size() noexcept;

// A new bank of `size` zero bytes; -1 when the table is closed or full, or
// the memory cannot be had (the handle is then put back).
std::int32_t alloc(std::uint32_t size, std::int32_t type, std::int32_t structure = 0) noexcept;
void resize(std::int32_t handle, std::int32_t size) noexcept;
void free(std::int32_t handle) noexcept; // releases one hold
void inc_ref(std::int32_t handle) noexcept;
void dec_ref(std::int32_t handle) noexcept;
void free_all() noexcept;
std::int32_t free_from_ptr(const void* address) noexcept;
std::int32_t used_count() noexcept;
bool swap(std::int32_t a, std::int32_t b) noexcept; // both must name banks

// The entry of a handle that names a bank, or null.
Bank* find(std::int32_t handle) noexcept;
// The entry of a valid handle (0 <= handle < table size), empty or not, or null.
Bank* entry(std::int32_t handle) noexcept;

inline bool exists(std::int32_t handle) {
    return find(handle) != nullptr;
}
void* ptr(std::int32_t handle) noexcept;          // null when no bank
std::uint32_t size(std::int32_t handle) noexcept; // 0 when no bank
template <class T> T* as(std::int32_t handle) {
    return static_cast<T*>(ptr(handle));
}
// The record of type T in a live bank of the given type at least as large as T
// (handle 0 never names one), or null: how windows, screens, images and fonts
// refuse every other handle.
template <class T> T* record(std::int32_t handle, std::int16_t type) {
    const Bank* b = find(handle);
    if (!b || handle < 1 || b->type != type || b->size < sizeof(T)) return nullptr;
    return as<T>(handle);
}

// The case-fold table of case-insensitive searching: entry c is c, except that
// "a" to "z" hold "A" to "Z".
const std::uint8_t* fold_table() noexcept;

} // namespace kx::memory
