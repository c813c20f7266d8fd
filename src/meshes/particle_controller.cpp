// The particle controller (see particle_controller.h).
#include "meshes/particle_controller.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "kxp/heap.h"
#include "memory/banks.h"
#include "memory/slot_list.h"
#include "meshes/meshes.h"
#include "meshes/projection.h"

namespace kx::meshes {
namespace {

namespace mem = kx::memory;

struct Controller {
    KX_ParticleController* record = nullptr;
    slots::List list = nullptr;
    std::int32_t* table = nullptr;
    std::int32_t entries = 0; // table entries the table bank holds
    explicit operator bool() const { return record != nullptr; }

    // The bank handle of particle i, 0 when none.
    std::int32_t bank(std::int32_t i) const { return i >= 0 && i < entries ? table[i] : 0; }
    KX_Particle* particle(std::int32_t i) const {
        const mem::Bank* b = mem::find(bank(i));
        return b && b->size >= sizeof(KX_Particle) ? kxp::ptr<KX_Particle>(b->ptr) : nullptr;
    }
    // Calls f(i) for every used item but 0 in chain order, taking the next
    // item before f runs (f may release i); at most capacity steps.
    template <class F> void each(F&& f) const {
        std::int32_t i = slots::used_head(list);
        for (std::int64_t steps = 0; i >= 0 && steps <= record->Capacity; ++steps) {
            const std::int32_t next = slots::next(list, i);
            if (i > 0) f(i);
            i = next;
        }
    }
};

Controller controller_at(std::int32_t handle) {
    const mem::Bank* b = mem::find(handle);
    if (!b || b->size < sizeof(KX_ParticleController)) return {};
    Controller c;
    c.record = kxp::ptr<KX_ParticleController>(b->ptr);
    c.list = c.record->SlotList ? kxp::ptr<std::int32_t>(c.record->SlotList) : nullptr;
    if (const mem::Bank* t = mem::find(c.record->TableBank)) {
        c.table = kxp::ptr<std::int32_t>(t->ptr);
        c.entries = std::int32_t(t->size / 4);
    }
    return c;
}

Controller controller_of(std::int32_t mesh) {
    const VM_Mesh* m = find(mesh);
    return m ? controller_at(m->Particles) : Controller{};
}

void free_particle(const Controller& c, std::int32_t index) {
    const std::int32_t bank = c.bank(index);
    if (bank != 0) mem::free(bank);
    if (index >= 0 && index < c.entries) c.table[index] = 0;
    slots::release(c.list, index);
}

void animate(KX_AnimatedVector& a) {
    if (a.Enabled == 0) return;
    for (int k = 0; k < 3; ++k) {
        a.Value[k] += a.Delta[k];
        if (a.Value[k] < a.Min[k]) a.Value[k] = a.Min[k];
        if (a.Value[k] > a.Max[k]) a.Value[k] = a.Max[k];
    }
}

// True when the particle leaves its bounds.
bool outside(const KX_Particle& p) {
    if ((p.Flags & 0x3F) == 0) return false;
    return ((p.Flags & 1) && p.Position[0] < p.MinX) || ((p.Flags & 2) && p.Position[0] > p.MaxX) ||
           ((p.Flags & 4) && p.Position[1] < p.MinY) || ((p.Flags & 8) && p.Position[1] > p.MaxY);
}

std::uint32_t faded(const KX_Particle& p) {
    const std::uint32_t c = p.Colour & 0xFFFFFF;
    if (!(p.Flags & 0x80)) return c;
    // The remaining share of life, kept in [0, 1] (a life of 0 or an age
    // beyond it leaves nothing).
    double f = p.Life > 0 ? (double(p.Life) - double(p.Age)) / double(p.Life) : 0.0;
    f = f > 0.0 ? (f < 1.0 ? f : 1.0) : 0.0;
    auto channel = [&](int shift) {
        return std::uint32_t(double((c >> shift) & 0xFF) * f) << shift;
    };
    return channel(16) | channel(8) | channel(0);
}

} // namespace

void init_particle_controller(std::int32_t mesh, std::int32_t capacity) noexcept {
    const VM_Mesh* m = find(mesh);
    if (!m || m->Status != 1 || capacity < 1 || capacity > kMaxParticles) return;
    const std::int32_t bank = mem::alloc(sizeof(KX_ParticleController), mem::kRaw);
    const std::int32_t table = mem::alloc(std::uint32_t(capacity) * 4 + 80, mem::kRaw);
    slots::List list = slots::create(capacity - 1);
    if (bank < 1 || table < 1 || !list) {
        if (bank > 0) mem::free(bank);
        if (table > 0) mem::free(table);
        slots::destroy(list);
        return;
    }
    slots::take(list, 0); // never handed out
    auto* c = mem::as<KX_ParticleController>(bank);
    c->Capacity = capacity;
    c->SlotList = kxp::addr32(list);
    c->TableBank = table;
    c->Table = kxp::addr32(mem::ptr(table));
    if (VM_Mesh* again = find(mesh)) {
        const std::int32_t old = again->Particles;
        again->Particles = bank;
        delete_particle_controller(old);
    }
    set_vertex_count(mesh, capacity);
    set_face_count(mesh, capacity);
}

void delete_particle_controller(std::int32_t controller) noexcept {
    if (controller == 0) return;
    const Controller c = controller_at(controller);
    if (c) {
        for (std::int32_t i = 0; i < c.entries; ++i)
            if (c.table[i] != 0) mem::free(c.table[i]);
        if (c.table) mem::free(c.record->TableBank);
        slots::destroy(c.list);
    }
    mem::free(controller);
}

std::int32_t add_particle(std::int32_t mesh, const void* record) noexcept {
    const Controller c = controller_of(mesh);
    if (!c || !record || !c.list) return 0;
    const std::int32_t i = slots::free_head(c.list);
    if (i < 1 || i >= c.entries) return 0;
    const std::int32_t bank = mem::alloc(sizeof(KX_Particle), mem::kRaw);
    if (bank < 1) return 0;
    c.table[i] = bank;
    slots::take(c.list, i);
    std::memcpy(mem::ptr(bank), record, sizeof(KX_Particle));
    return i;
}

void delete_particle(std::int32_t mesh, std::int32_t index) noexcept {
    const Controller c = controller_of(mesh);
    // Item 0 stays used: released, it would head the free chain and make the
    // list look full for good.
    if (!c || index < 1 || index > c.record->Capacity) return;
    free_particle(c, index);
}

KX_Particle* particle(std::int32_t mesh, std::int32_t index) noexcept {
    const Controller c = controller_of(mesh);
    if (!c || index < 0 || index >= c.record->Capacity) return nullptr;
    return c.particle(index);
}

void update_particles(std::int32_t mesh) noexcept {
    const Controller c = controller_of(mesh);
    if (!c) return;
    c.each([&](std::int32_t i) {
        KX_Particle* p = c.particle(i);
        if (!p) return;
        p->Age = std::int32_t(std::uint32_t(p->Age) + 1);
        if (p->Age >= p->Life) return free_particle(c, i);
        for (int k = 0; k < 3; ++k)
            p->Position[k] += p->Velocity.Value[k] + p->Force.Value[k];
        if (outside(*p)) return free_particle(c, i);
        animate(p->Velocity);
        animate(p->Force);
        for (int k = 0; k < 3; ++k)
            p->Scale[k] += p->Growth.Value[k];
        animate(p->Growth);
        for (int k = 0; k < 3; ++k)
            p->Angles[k] += p->Spin.Value[k];
        animate(p->Spin);
    });
}

void build_particle_quads(std::int32_t mesh) noexcept {
    Controller c = controller_of(mesh);
    const VM_Mesh* m = find(mesh);
    if (!c || !m) return;
    if (m->VertexCount <= c.record->Capacity)
        set_vertex_count(mesh, std::int32_t(std::min<std::int64_t>(
                                   std::int64_t(c.record->Capacity) * 4 + 40, INT32_MAX)));
    m = find(mesh);
    if (!m) return;
    const std::span<VM_MeshVertex> v = vertices(*m, 0);
    const std::span<VM_MeshFace> f = faces(*m);
    for (VM_MeshFace& face : f)
        face.CornerCount = 0;
    c.each([&](std::int32_t i) {
        const KX_Particle* p = c.particle(i);
        if (!p) return;
        const std::size_t first = std::size_t(i) * 4;
        if (first + 4 <= v.size()) {
            const float hw = p->Width * 0.5f, hh = p->Height * 0.5f;
            const float cx = p->Centre[0], cy = p->Centre[1], cz = p->Centre[2];
            const float xs[4] = {cx - hw, cx + hw, cx + hw, cx - hw};
            const float ys[4] = {cy - hh, cy - hh, cy + hh, cy + hh};
            for (int k = 0; k < 4; ++k) {
                v[first + k].X = xs[k];
                v[first + k].Y = ys[k];
                v[first + k].Z = cz;
            }
            rotate_vertices(&v[first], &v[first], p->Position, p->Centre, p->Scale, p->Angles, 4);
        }
        if (std::size_t(i) < f.size()) {
            f[std::size_t(i)].CornerCount = 4;
            const std::uint32_t colour = faded(*p);
            for (VM_MeshCorner& corner : f[std::size_t(i)].Corner)
                corner.Colour = colour;
        }
    });
}

} // namespace kx::meshes
