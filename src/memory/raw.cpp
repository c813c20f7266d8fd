// The string cache (see raw.h). The cache does not record its entry count;
// the heap's usable size of the block bounds the entries an index may name.
#include "memory/raw.h"

#include "kxp/heap.h"

namespace kx::memory {
namespace {

constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kBufferBytes = 128;

std::uint32_t* entry_of(std::uint32_t* cache, std::int32_t index) {
    if (!cache || index < 0) return nullptr;
    if ((std::size_t(index) + 1) * kEntryBytes > kxp::heap::usable_size(cache)) return nullptr;
    return cache + 4 * std::size_t(index);
}

} // namespace

std::uint32_t* create_string_cache(std::int32_t count) noexcept {
    if (count < 0) return nullptr;
    return static_cast<std::uint32_t*>(kxp::heap::alloc((std::size_t(count) + 1) * kEntryBytes));
}

void cache_alloc_string(std::uint32_t* cache, std::int32_t index) noexcept {
    std::uint32_t* e = entry_of(cache, index);
    if (!e) return;
    void* buffer = kxp::heap::alloc(kBufferBytes);
    if (!buffer) return;
    if (e[0] == 1) kxp::heap::free(kxp::ptr<void>(e[1])); // a buffer it held is not lost
    e[0] = 1;
    e[1] = kxp::addr32(buffer);
}

void cache_free_string(std::uint32_t* cache, std::int32_t index) noexcept {
    std::uint32_t* e = entry_of(cache, index);
    if (!e || e[0] != 1) return;
    kxp::heap::free(kxp::ptr<void>(e[1]));
    e[0] = e[1] = e[2] = e[3] = 0;
}

void destroy_string_cache(std::uint32_t* cache) noexcept {
    cache_free_string(cache, 0);
    cache_free_string(cache, 1);
}

void* resize_block(void* block, std::int32_t size) noexcept {
    if (size < 0) return nullptr;
    if (size == 0) {
        kxp::heap::free(block);
        return nullptr;
    }
    return kxp::heap::realloc(block, static_cast<std::size_t>(size));
}

} // namespace kx::memory
