// Direct3D-style objects and the software 3D device: render and texture
// stage states, textures, scenes, and the triangle rasteriser.
#include <algorithm>
#include <cmath>

#include "core/gfx.h"
#include "kxp/d3d.h"

namespace kxp::detail {
namespace {

constexpr DWORD kStages = 8;
constexpr DWORD kStageStates = 33;
constexpr DWORD kRenderStates = 256;

struct Direct3D final : Object {
    std::uint32_t display = 0; // holds a reference
    void released() override { Release(display); }
};

struct Device3D final : Object {
    std::uint32_t d3d = 0;    // holds a reference
    std::uint32_t target = 0; // holds a reference
    std::uint32_t textures[kStages] = {};
    DWORD render[kRenderStates] = {};
    DWORD stage[kStages][kStageStates] = {};
    bool in_scene = false;

    void released() override {
        for (std::uint32_t t : textures)
            if (t) Release(t);
        Release(target);
        Release(d3d);
    }
};

const Format kTextureFormats[] = {Format::l8,      Format::argb1555, Format::argb4444,
                                  Format::rgb565,  Format::rgb555,   Format::argb8888,
                                  Format::xrgb8888};

struct Colour {
    float a, r, g, b; // 0..255
};

Colour unpack(std::uint32_t argb) {
    return {float(argb >> 24), float(argb >> 16 & 0xFF), float(argb >> 8 & 0xFF),
            float(argb & 0xFF)};
}

// v limited to [lo, hi]; NaN gives lo.
float limit(float v, float lo, float hi) {
    return v > lo ? (v < hi ? v : hi) : lo;
}

std::uint32_t pack(const Colour& c) {
    auto q = [](float v) { return static_cast<std::uint32_t>(limit(v, 0.0f, 255.0f) + 0.5f); };
    return q(c.a) << 24 | q(c.r) << 16 | q(c.g) << 8 | q(c.b);
}

// Texture sampling for one triangle.
struct Sampler {
    const Surface* tex = nullptr;
    const PixelOps* ops = nullptr;
    bool keyed = false;
    DWORD low = 0, high = 0;
    bool linear = false;

    std::uint32_t texel(std::int32_t x, std::int32_t y, bool& transparent) const {
        x = std::clamp(x, 0, tex->width - 1);
        y = std::clamp(y, 0, tex->height - 1);
        std::uint32_t raw = ops->read(tex->view().at(x, y));
        transparent = keyed && raw >= low && raw <= high;
        return ops->to_argb(raw);
    }

    // False when the sample is keyed out.
    bool sample(float u, float v, Colour& out) const {
        // Beyond the edge every coordinate reads the edge's texel.
        float tu = limit(u * float(tex->width), -1.0f, float(tex->width) + 1);
        float tv = limit(v * float(tex->height), -1.0f, float(tex->height) + 1);
        bool transparent = false;
        if (!linear) {
            out = unpack(texel(static_cast<std::int32_t>(std::floor(tu)),
                               static_cast<std::int32_t>(std::floor(tv)), transparent));
            return !transparent;
        }
        tu -= 0.5f;
        tv -= 0.5f;
        float fx = std::floor(tu), fy = std::floor(tv);
        auto x0 = static_cast<std::int32_t>(fx), y0 = static_cast<std::int32_t>(fy);
        float wx = tu - fx, wy = tv - fy;
        const float weight[4] = {(1 - wx) * (1 - wy), wx * (1 - wy), (1 - wx) * wy, wx * wy};
        Colour sum{0, 0, 0, 0};
        float kept = 0;
        for (int i = 0; i < 4; ++i) {
            Colour c = unpack(texel(x0 + (i & 1), y0 + (i >> 1), transparent));
            if (transparent) continue;
            kept += weight[i];
            sum = {sum.a + c.a * weight[i], sum.r + c.r * weight[i], sum.g + c.g * weight[i],
                   sum.b + c.b * weight[i]};
        }
        // Keyed texels drop out of the filter; a sample mostly keyed is dropped.
        if (kept < 0.5f) return false;
        out = {sum.a / kept, sum.r / kept, sum.g / kept, sum.b / kept};
        return true;
    }
};

// Blend factors: (source channel, source alpha, destination channel,
// destination alpha) to the factor.
using Factor = float (*)(float src_c, float src_a, float dst_c, float dst_a);

Factor factor_of(DWORD f) {
    switch (f) {
    case D3DBLEND_ZERO: return [](float, float, float, float) { return 0.0f; };
    case D3DBLEND_SRCCOLOR: return [](float sc, float, float, float) { return sc / 255; };
    case D3DBLEND_INVSRCCOLOR: return [](float sc, float, float, float) { return 1 - sc / 255; };
    case D3DBLEND_SRCALPHA: return [](float, float sa, float, float) { return sa / 255; };
    case D3DBLEND_INVSRCALPHA: return [](float, float sa, float, float) { return 1 - sa / 255; };
    case D3DBLEND_DESTALPHA: return [](float, float, float, float da) { return da / 255; };
    case D3DBLEND_INVDESTALPHA: return [](float, float, float, float da) { return 1 - da / 255; };
    case D3DBLEND_DESTCOLOR: return [](float, float, float dc, float) { return dc / 255; };
    case D3DBLEND_INVDESTCOLOR: return [](float, float, float dc, float) { return 1 - dc / 255; };
    default: return [](float, float, float, float) { return 1.0f; }; // D3DBLEND_ONE, the rest
    }
}

// Texture stage operations on one channel: (argument 1, argument 2, diffuse).
using Combine = float (*)(float arg1, float arg2, float diffuse);

Combine combine_of(DWORD op) {
    switch (op) {
    case D3DTOP_DISABLE: return [](float, float, float d) { return d; };
    case D3DTOP_SELECTARG1: return [](float a1, float, float) { return a1; };
    case D3DTOP_SELECTARG2: return [](float, float a2, float) { return a2; };
    default: return [](float a1, float a2, float) { return a1 * a2 / 255; }; // modulate
    }
}

struct Attributes {
    float u, v, a, r, g, b;
};

Attributes attributes(const D3DTLVERTEX& v) {
    Colour c = unpack(v.color);
    return {v.tu, v.tv, c.a, c.r, c.g, c.b};
}

void draw_triangle(const Device3D& dev, Surface& target, const Surface* tex, D3DTLVERTEX p0,
                   D3DTLVERTEX p1, D3DTLVERTEX p2) {
    for (const D3DTLVERTEX* p : {&p0, &p1, &p2})
        if (!std::isfinite(p->sx) || !std::isfinite(p->sy) || !std::isfinite(p->tu) ||
            !std::isfinite(p->tv))
            return;
    double area = double(p1.sx - p0.sx) * (p2.sy - p0.sy) - double(p2.sx - p0.sx) * (p1.sy - p0.sy);
    if (area == 0) return;
    if (area < 0) {
        std::swap(p1, p2);
        area = -area;
    }
    const D3DTLVERTEX* v[3] = {&p0, &p1, &p2};

    // Plane equations of the attributes: value = at0 + dx * (x - x0) + dy * (y - y0).
    Attributes a0 = attributes(p0), a1 = attributes(p1), a2 = attributes(p2);
    float e1x = p1.sx - p0.sx, e1y = p1.sy - p0.sy, e2x = p2.sx - p0.sx, e2y = p2.sy - p0.sy;
    auto plane = [&](float Attributes::*m, float& ddx, float& ddy) {
        float d1 = a1.*m - a0.*m, d2 = a2.*m - a0.*m;
        ddx = static_cast<float>((d1 * e2y - d2 * e1y) / area);
        ddy = static_cast<float>((d2 * e1x - d1 * e2x) / area);
    };
    Attributes dx{}, dy{};
    for (float Attributes::*m : {&Attributes::u, &Attributes::v, &Attributes::a, &Attributes::r,
                                 &Attributes::g, &Attributes::b})
        plane(m, dx.*m, dy.*m);

    Sampler sampler;
    if (tex) {
        sampler.tex = tex;
        sampler.ops = &pixel_ops(*tex->format);
        sampler.keyed = dev.render[D3DRENDERSTATE_COLORKEYENABLE] && tex->has_key;
        sampler.low = tex->key.dwColorSpaceLowValue;
        sampler.high = tex->key.dwColorSpaceHighValue;
        // Texels per pixel decide between the minification and magnification filter.
        float jac = std::fabs(dx.u * dy.v - dy.u * dx.v) * float(tex->width) * float(tex->height);
        DWORD filter = dev.stage[0][jac > 1.0001f ? D3DTSS_MINFILTER : D3DTSS_MAGFILTER];
        sampler.linear = filter == D3DTFG_LINEAR;
    }

    // Pixels whose centres lie inside, with the top-left rule on the edges.
    float minx = std::min({p0.sx, p1.sx, p2.sx}), maxx = std::max({p0.sx, p1.sx, p2.sx});
    float miny = std::min({p0.sy, p1.sy, p2.sy}), maxy = std::max({p0.sy, p1.sy, p2.sy});
    auto first = [](float lo) {
        return static_cast<std::int64_t>(std::clamp(std::ceil(double(lo) - 0.5), -1e9, 1e9));
    };
    auto last = [](float hi) {
        return static_cast<std::int64_t>(std::clamp(std::floor(double(hi) - 0.5), -1e9, 1e9));
    };
    std::int32_t x_begin = static_cast<std::int32_t>(std::max<std::int64_t>(first(minx), 0));
    std::int32_t x_end =
        static_cast<std::int32_t>(std::min<std::int64_t>(last(maxx), target.width - 1));
    std::int32_t y_begin = static_cast<std::int32_t>(std::max<std::int64_t>(first(miny), 0));
    std::int32_t y_end =
        static_cast<std::int32_t>(std::min<std::int64_t>(last(maxy), target.height - 1));

    struct Edge {
        double ax, ay, dx, dy;
        bool top_left;
        bool inside(double x, double y) const {
            double e = dx * (y - ay) - dy * (x - ax);
            return e > 0 || (e == 0 && top_left);
        }
    } edges[3];
    for (int i = 0; i < 3; ++i) {
        const D3DTLVERTEX& a = *v[i];
        const D3DTLVERTEX& b = *v[(i + 1) % 3];
        double ex = double(b.sx) - a.sx, ey = double(b.sy) - a.sy;
        edges[i] = {a.sx, a.sy, ex, ey, ey < 0 || (ey == 0 && ex > 0)};
    }

    // Everything chosen by states is chosen here, once per triangle.
    const DWORD* st = dev.stage[0];
    Colour diffuse{}, texel{255, 255, 255, 255};
    const Colour factor_colour = unpack(dev.render[D3DRENDERSTATE_TEXTUREFACTOR]);
    auto arg = [&](DWORD which) -> const Colour* {
        switch (which & 0xF) {
        case D3DTA_TEXTURE: return &texel;
        case D3DTA_TFACTOR: return &factor_colour;
        default: return &diffuse; // D3DTA_DIFFUSE, and D3DTA_CURRENT at stage 0
        }
    };
    const Colour *c1 = arg(st[D3DTSS_COLORARG1]), *c2 = arg(st[D3DTSS_COLORARG2]);
    const Colour *alpha1 = arg(st[D3DTSS_ALPHAARG1]), *alpha2 = arg(st[D3DTSS_ALPHAARG2]);
    const Combine colour_op = combine_of(st[D3DTSS_COLOROP]);
    const Combine alpha_op = combine_of(st[D3DTSS_ALPHAOP]);
    const bool blend = dev.render[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
    const Factor src_factor = factor_of(dev.render[D3DRENDERSTATE_SRCBLEND]);
    const Factor dst_factor = factor_of(dev.render[D3DRENDERSTATE_DESTBLEND]);
    const PixelOps& target_ops = pixel_ops(*target.format);
    View out = target.view();

    for (std::int32_t y = y_begin; y <= y_end; ++y) {
        double cy = y + 0.5;
        for (std::int32_t x = x_begin; x <= x_end; ++x) {
            double cx = x + 0.5;
            if (!edges[0].inside(cx, cy) || !edges[1].inside(cx, cy) || !edges[2].inside(cx, cy))
                continue;
            float ox = static_cast<float>(cx - p0.sx), oy = static_cast<float>(cy - p0.sy);
            auto at = [&](float Attributes::*m) { return a0.*m + dx.*m * ox + dy.*m * oy; };
            diffuse = {at(&Attributes::a), at(&Attributes::r), at(&Attributes::g),
                       at(&Attributes::b)};
            if (tex && !sampler.sample(at(&Attributes::u), at(&Attributes::v), texel)) continue;
            Colour src;
            src.r = colour_op(c1->r, c2->r, diffuse.r);
            src.g = colour_op(c1->g, c2->g, diffuse.g);
            src.b = colour_op(c1->b, c2->b, diffuse.b);
            src.a = alpha_op(alpha1->a, alpha2->a, diffuse.a);
            std::uint8_t* p = out.at(x, y);
            if (blend) {
                Colour dst = unpack(target_ops.to_argb(target_ops.read(p)));
                auto mix = [&](float Colour::*m) {
                    return src.*m * src_factor(src.*m, src.a, dst.*m, dst.a) +
                           dst.*m * dst_factor(src.*m, src.a, dst.*m, dst.a);
                };
                src = {mix(&Colour::a), mix(&Colour::r), mix(&Colour::g), mix(&Colour::b)};
            }
            target_ops.write_argb(p, pack(src));
        }
    }
}

void reset_states(Device3D& d) {
    d.render[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    d.render[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    d.render[D3DRENDERSTATE_TEXTUREFACTOR] = 0xFFFFFFFFu;
    for (DWORD s = 0; s < kStages; ++s) {
        DWORD* st = d.stage[s];
        st[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        st[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        st[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        st[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        st[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        st[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        st[D3DTSS_MAGFILTER] = D3DTFG_POINT;
        st[D3DTSS_MINFILTER] = D3DTFN_POINT;
    }
}

Device3D* device_of(LPDIRECT3DDEVICE7 id) {
    return find_object<Device3D>(id);
}

} // namespace
} // namespace kxp::detail

namespace kxp {

using namespace detail;

HRESULT QueryInterface(std::uint32_t object, REFGUID iid, std::uint32_t* out) {
    if (!find_object<Object>(object)) return DDERR_INVALIDOBJECT;
    if (!out) return DDERR_INVALIDPARAMS;
    if (Display* d = find_object<Display>(object)) {
        if (iid == IID_IDirectDraw7) {
            AddRef(object);
            *out = object;
            return DD_OK;
        }
        if (iid == IID_IDirect3D7) {
            auto x = std::make_unique<Direct3D>();
            x->display = d->id;
            AddRef(d->id);
            *out = add_object(display_state().objects, std::move(x));
            return DD_OK;
        }
    } else if (find_object<Direct3D>(object) && iid == IID_IDirect3D7) {
        AddRef(object);
        *out = object;
        return DD_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CreateDevice(LPDIRECT3D7 d3d, REFGUID deviceKind, LPDIRECTDRAWSURFACE7 target,
                     LPDIRECT3DDEVICE7* device) {
    if (!find_object<Direct3D>(d3d)) return DDERR_INVALIDOBJECT;
    if (!device ||
        (deviceKind != IID_IDirect3DHALDevice && deviceKind != IID_IDirect3DTnLHalDevice &&
         deviceKind != IID_IDirect3DRGBDevice))
        return DDERR_INVALIDPARAMS;
    Surface* t = find_surface(target);
    if (!t) return DDERR_INVALIDPARAMS;
    if (t->primary || t->format->luminance) return DDERR_INVALIDCAPS;
    auto d = std::make_unique<Device3D>();
    d->d3d = d3d;
    d->target = target;
    reset_states(*d);
    AddRef(d3d);
    AddRef(target);
    *device = add_object(display_state().objects, std::move(d));
    return D3D_OK;
}

HRESULT EnumTextureFormats(LPDIRECT3DDEVICE7 device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                           void* context) {
    if (!device_of(device)) return DDERR_INVALIDOBJECT;
    if (!callback) return DDERR_INVALIDPARAMS;
    for (Format f : kTextureFormats) {
        DDPIXELFORMAT pf = pixel_format(f).pf;
        if (callback(&pf, context) == D3DENUMRET_CANCEL) break;
    }
    return D3D_OK;
}

HRESULT SetRenderState(LPDIRECT3DDEVICE7 device, DWORD state, DWORD value) {
    Device3D* d = device_of(device);
    if (!d) return DDERR_INVALIDOBJECT;
    if (state == 0 || state >= kRenderStates) return DDERR_INVALIDPARAMS;
    d->render[state] = value;
    return D3D_OK;
}

HRESULT GetRenderState(LPDIRECT3DDEVICE7 device, DWORD state, DWORD* value) {
    Device3D* d = device_of(device);
    if (!d) return DDERR_INVALIDOBJECT;
    if (state == 0 || state >= kRenderStates || !value) return DDERR_INVALIDPARAMS;
    *value = d->render[state];
    return D3D_OK;
}

HRESULT SetTextureStageState(LPDIRECT3DDEVICE7 device, DWORD stage, DWORD type, DWORD value) {
    Device3D* d = device_of(device);
    if (!d) return DDERR_INVALIDOBJECT;
    if (stage >= kStages || type == 0 || type >= kStageStates) return DDERR_INVALIDPARAMS;
    d->stage[stage][type] = value;
    return D3D_OK;
}

HRESULT SetTexture(LPDIRECT3DDEVICE7 device, DWORD stage, LPDIRECTDRAWSURFACE7 texture) {
    Device3D* d = device_of(device);
    if (!d) return DDERR_INVALIDOBJECT;
    if (stage >= kStages) return DDERR_INVALIDPARAMS;
    if (texture) {
        Surface* t = find_surface(texture);
        if (!t || !(t->caps & DDSCAPS_TEXTURE)) return DDERR_INVALIDPARAMS;
        AddRef(texture);
    }
    std::uint32_t old = d->textures[stage];
    d->textures[stage] = texture;
    if (old) Release(old);
    return D3D_OK;
}

HRESULT BeginScene(LPDIRECT3DDEVICE7 device) {
    Device3D* d = device_of(device);
    if (!d) return DDERR_INVALIDOBJECT;
    if (d->in_scene) return D3DERR_SCENE_IN_SCENE;
    d->in_scene = true;
    return D3D_OK;
}

HRESULT EndScene(LPDIRECT3DDEVICE7 device) {
    Device3D* d = device_of(device);
    if (!d) return DDERR_INVALIDOBJECT;
    if (!d->in_scene) return D3DERR_SCENE_NOT_IN_SCENE;
    d->in_scene = false;
    return D3D_OK;
}

HRESULT DrawPrimitive(LPDIRECT3DDEVICE7 device, DWORD primitiveType, DWORD vertexFormat,
                      const void* vertices, DWORD vertexCount, DWORD) {
    Device3D* d = device_of(device);
    if (!d) return DDERR_INVALIDOBJECT;
    if (!d->in_scene) return D3DERR_SCENE_NOT_IN_SCENE;
    if (vertexFormat != D3DFVF_TLVERTEX) return D3DERR_INVALIDVERTEXTYPE;
    if (primitiveType != D3DPT_TRIANGLELIST && primitiveType != D3DPT_TRIANGLESTRIP &&
        primitiveType != D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDPRIMITIVETYPE;
    if (!vertices && vertexCount > 0) return DDERR_INVALIDPARAMS;
    Surface* target = find_surface(d->target);
    const Surface* tex = d->textures[0] ? find_surface(d->textures[0]) : nullptr;
    if (target->busy() || (tex && tex->busy())) return DDERR_SURFACEBUSY;
    if (target->primary) own_frames(*target); // rendering is not presented
    const auto* v = static_cast<const D3DTLVERTEX*>(vertices);
    if (primitiveType == D3DPT_TRIANGLELIST) {
        for (DWORD i = 0; i + 2 < vertexCount; i += 3)
            draw_triangle(*d, *target, tex, v[i], v[i + 1], v[i + 2]);
    } else if (primitiveType == D3DPT_TRIANGLESTRIP) {
        for (DWORD i = 0; i + 2 < vertexCount; ++i)
            draw_triangle(*d, *target, tex, v[i], v[i + 1], v[i + 2]);
    } else {
        for (DWORD i = 1; i + 1 < vertexCount; ++i)
            draw_triangle(*d, *target, tex, v[0], v[i], v[i + 1]);
    }
    return D3D_OK;
}

} // namespace kxp
