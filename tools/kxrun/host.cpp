#include "host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string_view>

#include "exports.h"
#include "opcodes.h"
#include "verifier.h"

namespace kx::run {
namespace {

using kxasm::ExportInfo;
using kxasm::kExportCount;
using kxasm::kExportTable;

// Argument conversions from a variable to a parameter word.
enum : std::uint8_t {
    kBits,       // the variable's 32 bits (integer to integer or address, float to float)
    kTruncate,   // float variable to an integer parameter
    kIntToFloat, // integer variable to a float parameter
};

// Float to integer as the interpreter converts: truncation to 64 bits, low 32
// bits kept; out of range, infinities and NaN give 0.
std::int32_t to_int(float f) {
    double d = f;
    if (d >= -0x1p63 && d < 0x1p63)
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(d))));
    return 0;
}

template <typename T> T* table(std::uint32_t address) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(address));
}

// The exports that draw on the current surface: calling one with nothing to
// draw on (no screen open) stops the program with a message.
bool draws(std::string_view name) {
    static constexpr std::string_view kDrawing[] = {
        "KX_Cls",           "KX_Dot",           "KX_Dot2",           "KX_FastDot",
        "KX_Point",         "KX_FastPoint",     "KX_PixelRunLength", "KX_Box",
        "KX_ShadeBox",      "KX_Circle",        "KX_Ellipse",        "KX_Line",
        "KX_Tri",           "KX_TriG",          "KX_TriT",           "KX_TriTG",
        "KX_TriTI",         "KX_Quad",          "KX_QuadG",          "KX_QuadT",
        "KX_QuadTG",        "KX_QuadTI",        "KX_GouraudStripV",  "KX_GouraudStripH",
        "KX_TextureStripV", "KX_TextureStripH", "KX_DrawShape",      "KX_ImageBlt",
        "KX_ImageBltRect",  "KX_ImageBltFX",    "KX_ImageBltGrid",   "KX_ImageBltTile",
        "KX_ImageBltRot",   "KX_DrawText",      "KX_FontDrawChr",    "KX_FontDrawChrSet"};
    return std::find(std::begin(kDrawing), std::end(kDrawing), name) != std::end(kDrawing);
}

std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", s);
    return buf;
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

// ---- Runtime ------------------------------------------------------------------

Runtime::~Runtime() {
    if (module_) dlclose(module_);
}

bool Runtime::load(const std::string& path, std::string& error) {
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* why = dlerror();
        error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    fns_.assign(kExportCount, nullptr);
    for (std::size_t k = 0; k < kExportCount; ++k)
        fns_[k] = dlsym(module_, kExportTable[k].name);
    bool ok = true;
    auto bind = [&](auto& fn, const char* name) {
        const ExportInfo* e = kxasm::find_export(name);
        void* p = e ? fns_[kxasm::export_id(e)] : nullptr;
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(p);
        if (!p) {
            error += (error.empty() ? "" : ", ") + std::string(name);
            ok = false;
        }
    };
#define KX_RUN_BIND(name) bind(name, #name)
    KX_RUN_BIND(VM_OpenMemoryManager);
    KX_RUN_BIND(VM_CloseMemoryManager);
    KX_RUN_BIND(VM_FreeALLBanks);
    KX_RUN_BIND(VM_AllocProgram);
    KX_RUN_BIND(VM_DeleteProgram);
    KX_RUN_BIND(VM_Execute);
    KX_RUN_BIND(VM_NewKXStr);
    KX_RUN_BIND(VM_StrFirstChrPtr);
    KX_RUN_BIND(VM_StrLen);
    KX_RUN_BIND(VM_StrRefreshLen);
    KX_RUN_BIND(VM_GetStackCurrentSize);
    KX_RUN_BIND(KX_GetCurrentSurface);
#undef KX_RUN_BIND
    if (!ok) error = path + " lacks the exports " + error;
    return ok;
}

void* Runtime::symbol(const char* name) const {
    return module_ ? dlsym(module_, name) : nullptr;
}

std::string runtime_beside_executable() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "KX_VM.so";
    std::string dir(self, static_cast<std::size_t>(n));
    dir = dir.substr(0, dir.rfind('/') + 1);
    std::string beside = dir + "KX_VM.so";
#ifdef KX_RUNTIME_FROM_BIN
    // Installed: kxrun in bin/, the runtime in the library folder.
    std::string installed = dir + KX_RUNTIME_FROM_BIN + "/KX_VM.so";
    if (access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0) return installed;
#endif
    return beside;
}

// ---- Host -----------------------------------------------------------------------

Host::Host(Runtime& runtime, Options options)
    : rt_(runtime), opt_(std::move(options)),
      gfx_(std::make_unique<Graphics>(runtime, opt_.graphics)) {
    if (opt_.budget < 1) opt_.budget = 1;
    random_state_ = opt_.seed ? *opt_.seed
                              : static_cast<std::uint64_t>(
                                    std::chrono::steady_clock::now().time_since_epoch().count());
}

Host::~Host() {
    gfx_.reset(); // the screen and the window go before the banks
    if (program_) rt_.VM_DeleteProgram(program_);
    if (manager_open_) {
        rt_.VM_FreeALLBanks();
        rt_.VM_CloseMemoryManager();
    }
}

bool Host::load(const kxasm::Image& im, std::vector<std::string>& errors) {
    kxasm::Verification v = kxasm::verify(im);
    if (!v.ok) {
        errors = std::move(v.errors);
        return false;
    }
    for (const std::string& name : im.imports)
        if (!rt_.address(kxasm::export_id(kxasm::find_export(name))))
            errors.push_back("the loaded runtime lacks the export " + name);
    if (!errors.empty()) return false;

    rt_.VM_OpenMemoryManager(opt_.banks);
    manager_open_ = true;
    program_ = rt_.VM_AllocProgram(static_cast<std::uint32_t>(im.words.size()), im.stack,
                                   static_cast<std::uint32_t>(im.ints.size()),
                                   static_cast<std::uint32_t>(im.float_bits.size()));
    if (!program_) {
        errors.push_back("cannot allocate a program record of " + std::to_string(im.words.size()) +
                         " words");
        return false;
    }
    ints_ = table<std::int32_t>(program_->IntVariables);
    floats_ = table<float>(program_->FloatVariables);
    if (!im.words.empty())
        std::memcpy(table<std::int32_t>(program_->ProgramMemory), im.words.data(),
                    im.words.size() * 4);
    if (!im.ints.empty()) std::memcpy(ints_, im.ints.data(), im.ints.size() * 4);
    if (!im.float_bits.empty())
        std::memcpy(floats_, im.float_bits.data(), im.float_bits.size() * 4);
    for (const kxasm::StringInit& s : im.strings) {
        std::int32_t n = static_cast<std::int32_t>(s.bytes.size());
        std::int32_t h = rt_.VM_NewKXStr(n);
        void* chars = h > 0 ? rt_.VM_StrFirstChrPtr(h) : nullptr;
        if (!chars) {
            errors.push_back("cannot make a string bank of " + std::to_string(n) +
                             " characters (is the bank table full?)");
            return false;
        }
        std::memcpy(chars, s.bytes.data(), s.bytes.size());
        rt_.VM_StrRefreshLen(h, n);
        ints_[s.variable] = h;
    }

    // Decode every host instruction once; a hand-back then costs a table look-up.
    const std::int32_t* w = im.words.data();
    auto var = [&](std::int32_t tag, std::int32_t index) -> void* {
        return tag == VM_TAG_INT ? static_cast<void*>(ints_ + index)
                                 : static_cast<void*>(floats_ + index);
    };
    host_at_.assign(im.code_words, -1);
    for (std::int32_t p : v.host_positions) {
        Instr in;
        in.op = w[p];
        // Length and repeat count from the instruction's layout (opcodes.h).
        const vm::Layout& layout = *kxasm::find_opcode(in.op)->layout;
        const int count_at = layout.count_offset();
        const std::int32_t n = count_at < 0 ? 0 : w[p + 1 + count_at];
        in.next = p + static_cast<std::int32_t>(layout.length(n));
        switch (in.op) {
        case kxasm::HOST_END:
        case kxasm::HOST_CLOCK:
            in.tag = w[p + 1];
            in.var = var(w[p + 1], w[p + 2]);
            in.name = in.op == kxasm::HOST_END ? "end" : "clock";
            break;
        case kxasm::HOST_PRINT: {
            in.newline = (w[p + 1] & kxasm::kPrintNewline) != 0;
            in.first = static_cast<std::uint32_t>(items_.size());
            in.count = static_cast<std::uint32_t>(n);
            for (std::uint32_t k = 0; k < in.count; ++k) {
                const std::int32_t* t = w + p + 3 + 3 * k;
                items_.push_back({t[0], t[1], var(t[1], t[2])});
            }
            in.name = "print";
            break;
        }
        case kxasm::HOST_CALL: {
            const ExportInfo* e =
                kxasm::find_export(im.imports[static_cast<std::size_t>(w[p + 1])]);
            in.thunk = e->call;
            in.fn = rt_.address(kxasm::export_id(e));
            in.result = e->result;
            in.name = e->name;
            in.tag = w[p + 3];
            in.var = in.tag == kxasm::kNoResult ? nullptr : var(w[p + 3], w[p + 4]);
            in.draws = draws(e->name);
            in.first = static_cast<std::uint32_t>(args_.size());
            in.count = static_cast<std::uint32_t>(n);
            for (std::uint32_t k = 0; k < in.count; ++k) {
                std::int32_t tag = w[p + 5 + 2 * k], index = w[p + 6 + 2 * k];
                bool want_float = e->params[k] == 'f';
                bool have_float = tag != VM_TAG_INT;
                std::uint8_t conv = want_float == have_float ? kBits
                                    : want_float             ? kIntToFloat
                                                             : kTruncate;
                args_.push_back({conv, var(tag, index)});
            }
            break;
        }
        default: {
            // The graphics instructions: fixed operands, one pair each.
            const kxasm::OpInfo* info = kxasm::find_opcode(in.op);
            in.name = info->mnemonic;
            std::int32_t k = p + 1;
            for (int j = 0; j < 4 && layout.fixed[j].kind != vm::Operand::None; ++j, k += 2)
                in.ops[j] = {w[k], var(w[k], w[k + 1])};
            break;
        }
        }
        host_at_[static_cast<std::size_t>(p)] = static_cast<std::int32_t>(instrs_.size());
        instrs_.push_back(in);
    }
    lines_ = im.lines;
    source_ = im.source_name;
    return true;
}

std::string Host::where(std::int32_t pc) const {
    std::string s = "at position " + std::to_string(pc);
    if (pc >= 0 && static_cast<std::size_t>(pc) < lines_.size() &&
        lines_[static_cast<std::size_t>(pc)] > 0)
        s = source_ + ":" + std::to_string(lines_[static_cast<std::size_t>(pc)]) + " (" + s + ")";
    return s;
}

bool Host::fault(Outcome& o, std::int32_t pc, const std::string& message) const {
    o.ended = false;
    o.message = where(pc) + ": " + message;
    return false;
}

void Host::print(const Instr& in) {
    std::FILE* out = opt_.out;
    for (std::uint32_t k = 0; k < in.count; ++k) {
        const Item& it = items_[in.first + k];
        char buf[64];
        if (it.form == kxasm::kPrintString) {
            std::int32_t h = *static_cast<const std::int32_t*>(it.src);
            const void* chars = rt_.VM_StrFirstChrPtr(h);
            std::int32_t n = rt_.VM_StrLen(h);
            if (chars && n > 0) std::fwrite(chars, 1, static_cast<std::size_t>(n), out);
        } else if (it.tag == VM_TAG_INT) {
            auto r =
                std::to_chars(buf, buf + sizeof buf, *static_cast<const std::int32_t*>(it.src));
            std::fwrite(buf, 1, static_cast<std::size_t>(r.ptr - buf), out);
        } else {
            // The shortest text that reads back as the same float.
            auto r = std::to_chars(buf, buf + sizeof buf, *static_cast<const float*>(it.src));
            std::fwrite(buf, 1, static_cast<std::size_t>(r.ptr - buf), out);
        }
    }
    if (in.newline) std::fputc('\n', out);
}

std::int32_t Host::int_of(const Ref& r) const {
    return r.tag == VM_TAG_INT ? *static_cast<const std::int32_t*>(r.var)
                               : to_int(*static_cast<const float*>(r.var));
}

float Host::float_of(const Ref& r) const {
    return r.tag == VM_TAG_INT ? static_cast<float>(*static_cast<const std::int32_t*>(r.var))
                               : *static_cast<const float*>(r.var);
}

void Host::set(const Ref& r, std::int32_t value) const {
    if (r.tag == VM_TAG_INT)
        *static_cast<std::int32_t*>(r.var) = value;
    else
        *static_cast<float*>(r.var) = static_cast<float>(value);
}

std::string Host::text_of(const Ref& r) const {
    std::int32_t h = int_of(r);
    const void* chars = h > 0 ? rt_.VM_StrFirstChrPtr(h) : nullptr;
    std::int32_t n = chars ? rt_.VM_StrLen(h) : 0;
    return n > 0 ? std::string(static_cast<const char*>(chars), static_cast<std::size_t>(n)) : "";
}

// splitmix64: the same sequence from the same seed on every machine.
std::uint64_t Host::next_random() {
    std::uint64_t z = (random_state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

bool Host::graphics(const Instr& in, std::int32_t pc, Outcome& o) {
    std::string error;
    auto failed = [&] { return fault(o, pc, std::string(in.name) + ": " + error); };
    auto stop = [&](const char* why) {
        o.ended = true;
        o.status = 0;
        o.note = where(pc) + ": " + why + " (" + in.name + ")";
        return false;
    };
    switch (in.op) {
    case kxasm::HOST_OPEN_SCREEN:
    case kxasm::HOST_OPEN_FULLSCREEN: {
        std::int32_t s = gfx_->open(int_of(in.ops[1]), int_of(in.ops[2]), int_of(in.ops[3]),
                                    in.op == kxasm::HOST_OPEN_SCREEN, error);
        if (!s) return failed();
        set(in.ops[0], s);
        return true;
    }
    case kxasm::HOST_SYNC:
        switch (gfx_->sync(error)) {
        case Graphics::Step::Go: return true;
        case Graphics::Step::Failed: return failed();
        case Graphics::Step::Closed: return stop("the window was closed");
        case Graphics::Step::Escape: return stop("Escape was pressed");
        case Graphics::Step::LastFrame:
            o.ended = true;
            o.status = 0;
            return false;
        }
        return true;
    case kxasm::HOST_FRAME_RATE: gfx_->set_rate(float_of(in.ops[0])); return true;
    case kxasm::HOST_LOAD_IMAGE: {
        // A relative path is taken from the program file's folder.
        std::string path = text_of(in.ops[1]);
        std::size_t slash = source_.rfind('/');
        if (!path.empty() && path[0] != '/' && slash != std::string::npos)
            path = source_.substr(0, slash + 1) + path;
        std::int32_t image = gfx_->load_image(path, int_of(in.ops[2]), error);
        if (!image) return failed();
        set(in.ops[0], image);
        return true;
    }
    case kxasm::HOST_RANDOM: {
        std::uint64_t r = next_random();
        if (in.ops[0].tag == VM_TAG_INT) {
            std::int32_t limit = int_of(in.ops[1]);
            set(in.ops[0], limit > 0
                               ? static_cast<std::int32_t>(((r >> 32) * std::uint64_t(limit)) >> 32)
                               : 0);
        } else {
            float limit = float_of(in.ops[1]);
            float f = static_cast<float>(r >> 40) * 0x1p-24f * limit;
            *static_cast<float*>(in.ops[0].var) =
                std::isfinite(f) && std::fabs(f) < std::fabs(limit) ? f : 0.0f;
        }
        return true;
    }
    case kxasm::HOST_GET_WINDOW: set(in.ops[0], gfx_->window()); return true;
    default: return fault(o, pc, "unknown host instruction " + std::to_string(in.op));
    }
}

Outcome Host::run() {
    Outcome o;
    if (!program_) {
        o.message = "no program loaded";
        return o;
    }
    const double start = now();
    const std::size_t code = host_at_.size();
    std::uint32_t words[64];
    std::vector<std::uint32_t> big_args;
    std::int32_t pc = 0;
    double last_poll = start;
    for (;;) {
        std::int32_t budget = opt_.budget;
        if (opt_.max_cycles > 0) {
            std::int64_t left = opt_.max_cycles - static_cast<std::int64_t>(stats_.cycles);
            if (left <= 0) {
                fault(o, pc,
                      "stopped after " + std::to_string(stats_.cycles) +
                          " counted instructions (the cycle limit)");
                break;
            }
            if (left < budget) budget = static_cast<std::int32_t>(left);
        }
        pc = rt_.VM_Execute(program_, pc, budget);
        stats_.runs++;
        stats_.cycles += static_cast<std::uint32_t>(program_->ExecutedCycles);
        if (program_->LastExecutionState != VM_STATE_HOST) {
            if (!gfx_->window()) continue;
            // Between frames: a program that runs long without sync still
            // answers its close button and Escape.
            if (opt_.graphics.frames > 0 && gfx_->since_sync() > opt_.sync_timeout) {
                fault(o, pc,
                      "no sync for " + seconds(opt_.sync_timeout) +
                          " s while a screen is open: a main loop calls sync once per frame");
                break;
            }
            if (now() - last_poll > 0.02) {
                last_poll = now();
                Graphics::Step step = gfx_->poll();
                if (step != Graphics::Step::Go) {
                    o.ended = true;
                    o.status = 0;
                    o.note = where(pc) + ": " +
                             (step == Graphics::Step::Closed ? "the window was closed"
                                                             : "Escape was pressed") +
                             " before the program called sync";
                    break;
                }
            }
            continue;
        }
        std::int32_t index =
            static_cast<std::uint32_t>(pc) < code ? host_at_[static_cast<std::size_t>(pc)] : -1;
        if (index < 0) {
            // An instruction of the interpreter that it refused to carry out.
            std::int32_t op = static_cast<std::uint32_t>(pc) < code
                                  ? table<std::int32_t>(program_->ProgramMemory)[pc]
                                  : 0;
            const kxasm::OpInfo* info = kxasm::find_opcode(op);
            std::string what = info ? info->mnemonic : "opcode " + std::to_string(op);
            if (op == VM_OP_RETURN || op == VM_OP_FUNC_RETURN)
                fault(o, pc,
                      what + " found no return address on the stack (" +
                          std::to_string(rt_.VM_GetStackCurrentSize(program_)) + " entries)");
            else
                fault(o, pc, "the interpreter refused " + what);
            break;
        }
        const Instr& in = instrs_[static_cast<std::size_t>(index)];
        stats_.host++;
        if (in.op == kxasm::HOST_CALL) {
            stats_.calls++;
            if (in.draws && rt_.KX_GetCurrentSurface() == 0) {
                fault(o, pc,
                      "call " + std::string(in.name) +
                          ": nothing to draw on (no screen is open: open_screen comes first)");
                break;
            }
            std::uint32_t* a = words;
            if (in.count > 64) {
                big_args.resize(in.count);
                a = big_args.data();
            }
            const Arg* args = args_.data() + in.first;
            for (std::uint32_t k = 0; k < in.count; ++k) {
                std::uint32_t bits;
                std::memcpy(&bits, args[k].src, 4);
                if (args[k].conv == kTruncate)
                    bits = static_cast<std::uint32_t>(to_int(std::bit_cast<float>(bits)));
                else if (args[k].conv == kIntToFloat)
                    bits = std::bit_cast<std::uint32_t>(
                        static_cast<float>(static_cast<std::int32_t>(bits)));
                a[k] = bits;
            }
            std::uint64_t r = in.thunk(in.fn, a);
            if (in.var) {
                if (in.result == 'p' && r > 0xFFFFFFFFull) {
                    fault(o, pc, std::string(in.name) + " returned an address above 4 GiB");
                    break;
                }
                std::uint32_t bits = static_cast<std::uint32_t>(r);
                if (in.tag == VM_TAG_INT) {
                    *static_cast<std::int32_t*>(in.var) = in.result == 'f'
                                                              ? to_int(std::bit_cast<float>(bits))
                                                              : static_cast<std::int32_t>(bits);
                } else {
                    *static_cast<float*>(in.var) =
                        in.result == 'f'   ? std::bit_cast<float>(bits)
                        : in.result == 'u' ? static_cast<float>(bits)
                                           : static_cast<float>(static_cast<std::int32_t>(bits));
                }
            }
        } else if (in.op == kxasm::HOST_PRINT) {
            print(in);
        } else if (in.op == kxasm::HOST_CLOCK) {
            // Frames advance the test clock in reproducible runs; so does clock.
            double ms = gfx_->test_clock() ? gfx_->clock_ms() : (now() - start) * 1000.0;
            if (in.tag == VM_TAG_INT)
                *static_cast<std::int32_t*>(in.var) = static_cast<std::int32_t>(ms);
            else
                *static_cast<float*>(in.var) = static_cast<float>(ms);
        } else if (in.op != kxasm::HOST_END) {
            if (!graphics(in, pc, o)) break;
        } else {
            if (gfx_->screen() && gfx_->frames() == 0)
                o.note = where(pc) + ": the program ended without calling sync, so no frame was "
                                     "presented";
            o.ended = true;
            o.status = in.tag == VM_TAG_INT ? *static_cast<const std::int32_t*>(in.var)
                                            : to_int(*static_cast<const float*>(in.var));
            break;
        }
        pc = in.next;
    }
    std::fflush(opt_.out);
    stats_.seconds = now() - start;
    return o;
}

} // namespace kx::run
