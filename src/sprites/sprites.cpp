// Sprites: creation, deletion, image choice, sizes and local data (see sprites.h).
#include "sprites/sprites.h"

#include <cmath>

#include "graphics/graphics.h"
#include "kxp/heap.h"
#include "memory/banks.h"
#include "memory/contents.h"
#include "meshes/meshes.h"

namespace kx::sprites {
namespace {

namespace mem = kx::memory;

void free_local(KX_Sprite& s) {
    const std::int32_t bank = s.LocalBank;
    s.LocalBank = 0;
    if (bank != 0) mem::free(bank);
}

} // namespace

KX_Sprite* find(std::int32_t sprite) noexcept {
    const mem::Bank* b = mem::find(sprite);
    return (b && b->size >= sizeof(KX_Sprite)) ? kxp::ptr<KX_Sprite>(b->ptr) : nullptr;
}

std::int32_t create() noexcept {
    const std::int32_t sprite = mem::alloc(sizeof(KX_Sprite), mem::kSprite, 0);
    if (sprite < 1) return 0;
    const std::int32_t mesh = meshes::create_plain();
    if (mesh < 1) {
        mem::free(sprite);
        return 0;
    }
    KX_Sprite* s = find(sprite);
    s->Status = 1;
    s->Visible = 1;
    s->Transparent = 1;
    s->Collision[0] = 1;
    s->Collision[1] = 1;
    s->Position[2] = 1.0f;
    s->Scale[0] = s->Scale[1] = s->Scale[2] = 1.0f;
    s->Changed = 1;
    s->SizeFromImage = 1;
    s->Mesh = mesh;
    s->Alpha = 1.0f;
    const std::int32_t colours[6] = {0xFF00FF, 0, 0xFF0000, 0x00FF00, 0, 0xFFFFFF};
    for (int k = 0; k < 6; ++k)
        s->Colours[k] = colours[k];
    return sprite;
}

void destroy(std::int32_t sprite) noexcept {
    KX_Sprite* s = find(sprite);
    if (sprite < 1 || !s) return;
    // The handles leave the record first, as with meshes: a record that
    // outlives this call owns nothing.
    const std::int32_t mesh = s->Mesh;
    s->Mesh = 0;
    if (mesh != 0) meshes::destroy(mesh);
    if ((s = find(sprite))) free_local(*s);
    mem::free(sprite);
}

void set_image(std::int32_t sprite, std::int32_t image) noexcept {
    KX_Sprite* s = find(sprite);
    if (!s || !mem::exists(image)) return;
    s->Image = image;
    std::int32_t w = s->Width, h = s->Height;
    if (s->SizeFromImage == 1) {
        const graphics::Surface i = graphics::surface(image);
        w = s->Width = i ? i.size->Width : 0;
        h = s->Height = i ? i.size->Height : 0;
    }
    if (const VM_Mesh* m = meshes::find(s->Mesh)) {
        const float xs[4] = {0.0f, float(w), float(w), 0.0f};
        const float ys[4] = {0.0f, 0.0f, float(h), float(h)};
        for (std::int32_t buffer : {0, 1}) {
            const std::span<VM_MeshVertex> v = meshes::vertices(*m, buffer);
            for (std::size_t k = 0; k < 4 && k < v.size(); ++k) {
                v[k].X = xs[k];
                v[k].Y = ys[k];
            }
        }
    }
    if (s->AutoCenterHandles == 1) {
        s->Handle[0] = float(-w) / 2.0f;
        s->Handle[1] = float(-h) / 2.0f;
    }
}

const float* axis_of(const float (&v)[3], std::int32_t axis) noexcept {
    if (axis & 4) return &v[2];
    if (axis & 2) return &v[1];
    if (axis & 1) return &v[0];
    return nullptr;
}

void write_masked(float (&v)[3], float x, float y, float z, std::int32_t mask) noexcept {
    if (mask & 1) v[0] = x;
    if (mask & 2) v[1] = y;
    if (mask & 4) v[2] = z;
}

std::int32_t* block_word(std::int32_t* block, std::int32_t words, std::int32_t offset) noexcept {
    if (offset < 0 || offset % 4 != 0 || offset / 4 >= words) return nullptr;
    return block + offset / 4;
}

std::int32_t size(std::int32_t sprite, std::int32_t axis) noexcept {
    const KX_Sprite* s = find(sprite);
    if (!s) return 0;
    std::int32_t w = s->Width, h = s->Height, d = s->Depth;
    if (s->SizeFromImage != 0) {
        const graphics::Surface i = graphics::surface(s->Image);
        if (s->Image == 0 || !i) return 0;
        w = i.size->Width, h = i.size->Height, d = i.size->Depth;
    }
    return (axis & 4) ? d : (axis & 2) ? h : (axis & 1) ? w : 0;
}

void center_handle(std::int32_t sprite) noexcept {
    KX_Sprite* s = find(sprite);
    if (!s || s->Image == 0) return;
    const graphics::Surface i = graphics::surface(s->Image);
    if (!i) return;
    write_masked(s->Handle, float(i.size->Width) * -0.5f, float(i.size->Height) * -0.5f, 0.0f, 7);
    s->Changed = 1;
}

std::int32_t local_create(std::int32_t sprite, std::int32_t bytes) noexcept {
    KX_Sprite* s = find(sprite);
    if (sprite < 1 || !s) return 0;
    free_local(*s);
    if (bytes < 1) return bytes;
    const std::int32_t bank = mem::alloc(std::uint32_t(bytes), mem::kRaw);
    if (bank < 1) return 0;
    if ((s = find(sprite))) s->LocalBank = bank;
    return bank;
}

void local_delete(std::int32_t sprite) noexcept {
    KX_Sprite* s = find(sprite);
    if (sprite > 0 && s) free_local(*s);
}

std::int32_t local_copy(std::int32_t source, std::int32_t dest) noexcept {
    const KX_Sprite* from = find(source);
    if (source == 0 || dest == 0 || !from || !find(dest)) return 0;
    // Cloned before the destination's bank goes, so a sprite copied onto
    // itself keeps a copy of its own data.
    const std::int32_t clone = from->LocalBank != 0 ? mem::clone_bank(from->LocalBank) : 0;
    KX_Sprite* to = find(dest);
    free_local(*to);
    to->LocalBank = clone > 0 ? clone : 0;
    return to->LocalBank;
}

} // namespace kx::sprites
