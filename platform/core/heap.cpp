// The low-memory heap (see kxp/heap.h).
//
// 64-bit builds reserve one region below 4 GiB with mmap and bind it to mimalloc
// as an exclusive arena: mimalloc never falls back to the operating system for a
// heap created in such an arena, so every block lies inside the region. Builds
// with the address sanitizer wrap each block in poisoned red zones and keep
// freed blocks poisoned in a quarantine for a while before they are reused.
#include "kxp/heap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#if UINTPTR_MAX > 0xFFFFFFFFu
#define KXP_LOW_ARENA 1
#include <mimalloc.h>
#include <sys/mman.h>
#else
#define KXP_LOW_ARENA 0
#endif

#if defined(__SANITIZE_ADDRESS__)
#define KXP_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KXP_ASAN 1
#endif
#endif
#ifndef KXP_ASAN
#define KXP_ASAN 0
#endif

#if KXP_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace kxp::heap {
namespace {

constexpr std::size_t kMiB = std::size_t(1) << 20;
constexpr std::size_t kGiB = std::size_t(1) << 30;

// ---------------------------------------------------------------------------
// Raw blocks: the arena (64-bit) or the C heap (32-bit).

#if KXP_LOW_ARENA

constexpr std::size_t kPreferred = 3 * kGiB;
constexpr std::size_t kAlign = 64 * kMiB; // mimalloc arenas want segment-aligned memory

struct Arena {
    Region region;
    mi_arena_id_t id = 0;
};

void* map_at(std::uintptr_t hint, std::size_t size) {
    void* p = mmap(reinterpret_cast<void*>(hint), size, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    if (reinterpret_cast<std::uintptr_t>(p) != hint) { // kernel treated the address as a hint
        munmap(p, size);
        return nullptr;
    }
    return p;
}

// Reserves the largest region it can, starting from the preferred 3 GiB. Under
// address-space randomisation the low 4 GiB are normally free; under the
// address sanitizer only the low 2 GiB are, so smaller regions at lower
// addresses are tried before giving up.
Region reserve() {
    static const std::size_t sizes[] = {3 * kGiB,   2 * kGiB,   1536 * kMiB, kGiB,
                                        512 * kMiB, 256 * kMiB, 128 * kMiB};
    static const std::uintptr_t hints[] = {0x40000000u, 0x10000000u, 0x08000000u, 0x04000000u};
    Region r;
    r.preferred = kPreferred;
    for (std::size_t size : sizes) {
        for (std::uintptr_t hint : hints) {
            if (hint + size > (std::uintptr_t(1) << 32)) continue;
            if (void* p = map_at(hint, size)) {
                r.base = reinterpret_cast<std::uintptr_t>(p);
                r.size = size;
                r.reduced = size < kPreferred;
                return r;
            }
        }
    }
    // Last resort: a small region wherever the kernel's 32-bit mapping puts it,
    // trimmed to the alignment mimalloc needs.
    std::size_t want = 128 * kMiB;
    void* p = mmap(nullptr, want + kAlign, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_32BIT, -1, 0);
    if (p != MAP_FAILED) {
        std::uintptr_t a = reinterpret_cast<std::uintptr_t>(p);
        std::uintptr_t aligned = (a + kAlign - 1) & ~(kAlign - 1);
        if (aligned > a) munmap(p, aligned - a);
        std::uintptr_t end = a + want + kAlign;
        if (end > aligned + want)
            munmap(reinterpret_cast<void*>(aligned + want), end - (aligned + want));
        if (aligned + want <= (std::uintptr_t(1) << 32)) {
            r.base = aligned;
            r.size = want;
            r.reduced = true;
        } else {
            munmap(reinterpret_cast<void*>(aligned), want);
        }
    }
    return r;
}

Arena& arena() {
    static Arena a = [] {
        Arena s;
        s.region = reserve();
        if (s.region.size != 0) {
            s.region.available =
                mi_manage_os_memory_ex(reinterpret_cast<void*>(s.region.base), s.region.size,
                                       /*is_committed=*/true, /*is_large=*/false,
                                       /*is_zero=*/true, /*numa_node=*/-1,
                                       /*exclusive=*/true, &s.id);
        }
        return s;
    }();
    return a;
}

mi_heap_t* thread_heap() {
    thread_local mi_heap_t* heap = nullptr;
    if (heap == nullptr) {
        Arena& a = arena();
        if (!a.region.available) return nullptr;
        heap = mi_heap_new_in_arena(a.id);
    }
    return heap;
}

void* raw_alloc(std::size_t n) {
    mi_heap_t* h = thread_heap();
    return h ? mi_heap_zalloc(h, n) : nullptr;
}
[[maybe_unused]] void* raw_alloc_uninit(std::size_t n) {
    mi_heap_t* h = thread_heap();
    return h ? mi_heap_malloc(h, n) : nullptr;
}
void raw_free(void* p) {
    mi_free(p);
}
std::size_t raw_usable(const void* p) {
    return mi_usable_size(p);
}

#else // 32-bit: the C heap already hands out 32-bit addresses

void* raw_alloc(std::size_t n) {
    return std::calloc(1, n ? n : 1);
}
[[maybe_unused]] void* raw_alloc_uninit(std::size_t n) {
    return std::malloc(n ? n : 1);
}
void raw_free(void* p) {
    std::free(p);
}
std::size_t raw_usable(const void* p) {
    return p ? malloc_usable_size(const_cast<void*>(p)) : 0;
}

#endif

#if KXP_ASAN
// ---------------------------------------------------------------------------
// Sanitizer build: [header+left red zone | user bytes | right red zone]. The
// header keeps the size asked for; red zones and freed blocks stay poisoned.

constexpr std::size_t kLeft = 32;
constexpr std::size_t kRight = 32;
constexpr std::size_t kQuarantineBlocks = 4096;
constexpr std::size_t kQuarantineBytes = 64 * kMiB;
constexpr std::uint64_t kMagic = 0x4B58484541504D47ull;

struct Header {
    std::uint64_t magic;
    std::uint64_t size;
};

struct Quarantine {
    std::mutex lock;
    void* blocks[kQuarantineBlocks] = {};
    std::size_t sizes[kQuarantineBlocks] = {};
    std::size_t head = 0, count = 0, bytes = 0;
};

Quarantine& quarantine() {
    static Quarantine* q = new Quarantine; // lives as long as the process
    return *q;
}

__attribute__((no_sanitize_address)) Header read_header(const void* user) {
    return *reinterpret_cast<const Header*>(static_cast<const char*>(user) - kLeft);
}

void* asan_alloc(std::size_t n) {
    if (n > (std::size_t(1) << 40)) return nullptr;
    char* block = static_cast<char*>(raw_alloc(kLeft + n + kRight));
    if (!block) return nullptr;
    Header h{kMagic, n};
    std::memcpy(block, &h, sizeof h);
    ASAN_POISON_MEMORY_REGION(block, raw_usable(block));
    ASAN_UNPOISON_MEMORY_REGION(block + kLeft, n);
    return block + kLeft;
}

void asan_free(void* user) {
    char* block = static_cast<char*>(user) - kLeft;
    std::size_t total = raw_usable(block);
    ASAN_POISON_MEMORY_REGION(block, total);
    Quarantine& q = quarantine();
    std::lock_guard<std::mutex> guard(q.lock);
    while (q.count == kQuarantineBlocks || (q.count > 0 && q.bytes + total > kQuarantineBytes)) {
        std::size_t oldest = (q.head + kQuarantineBlocks - q.count) % kQuarantineBlocks;
        void* b = q.blocks[oldest];
        q.bytes -= q.sizes[oldest];
        q.count--;
        ASAN_UNPOISON_MEMORY_REGION(b, q.sizes[oldest]);
        raw_free(b);
    }
    q.blocks[q.head] = block;
    q.sizes[q.head] = total;
    q.head = (q.head + 1) % kQuarantineBlocks;
    q.count++;
    q.bytes += total;
}
#endif

} // namespace

void* alloc(std::size_t n) {
#if KXP_ASAN
    return asan_alloc(n);
#else
    return raw_alloc(n);
#endif
}

void free(void* p) {
    if (!p) return;
#if KXP_ASAN
    asan_free(p);
#else
    raw_free(p);
#endif
}

std::size_t usable_size(const void* p) {
    if (!p) return 0;
#if KXP_ASAN
    return read_header(p).size;
#else
    return raw_usable(p);
#endif
}

void* realloc(void* p, std::size_t n) {
    if (!p) return alloc(n);
    std::size_t old = usable_size(p);
#if !KXP_ASAN
    // Stay in place while the block is neither too small nor more than twice
    // too large; the tail is cleared so that a later growth reads zeros.
    if (n <= old && n >= old / 2) {
        std::memset(static_cast<char*>(p) + n, 0, old - n);
        return p;
    }
    // Moving: only the bytes not copied over need clearing, up to the usable
    // size, so that the block keeps reading zeros past its contents.
    void* q = raw_alloc_uninit(n);
    if (!q) return nullptr;
    std::size_t kept = std::min(old, n);
    std::memcpy(q, p, kept);
    std::memset(static_cast<char*>(q) + kept, 0, raw_usable(q) - kept);
    raw_free(p);
    return q;
#else
    void* q = alloc(n);
    if (!q) return nullptr;
    std::memcpy(q, p, std::min(old, n));
    free(p);
    return q;
#endif
}

bool contains(const void* p) {
#if KXP_LOW_ARENA
    const Region& r = arena().region;
    auto a = reinterpret_cast<std::uintptr_t>(p);
    return r.available && a >= r.base && a < r.base + r.size;
#else
    return p != nullptr;
#endif
}

Region region() {
#if KXP_LOW_ARENA
    return arena().region;
#else
    Region r;
    r.available = true;
    return r;
#endif
}

} // namespace kxp::heap
