// kxrun: the reference host. Runs a bytecode file, or an assembly file that it
// assembles first, and exits with the program's status.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assembler.h"
#include "host.h"

namespace {

// Exit statuses of kxrun itself (a program's own status is 0 to 255).
constexpr int kCannotRun = 125; // usage, file, assembly, verification or runtime library
constexpr int kFault = 124;     // the program stopped on a fault

void usage() {
    std::fprintf(stderr,
                 "usage: kxrun [options] PROGRAM\n"
                 "  PROGRAM            a bytecode file (.kxb) or an assembly file (.kxa)\n"
                 "  --stats            report instructions, host calls and wall time on stderr\n"
                 "  --budget N         cycles per VM_Execute run (default 1000000)\n"
                 "  --max-cycles N     stop with a fault after N counted instructions\n"
                 "  --banks N          size of the bank table (default 65536)\n"
                 "  --runtime PATH     the KX_VM.so to load (default: beside kxrun)\n"
                 "  --verify           load and verify only; do not run\n"
                 "graphics (programs that open a screen):\n"
                 "  --backend NAME     headless or sdl (default: KX_BACKEND, else sdl when a\n"
                 "                     display is there, else headless)\n"
                 "  --frames N         stop after N frames; headless runs then advance a test\n"
                 "                     clock by one frame period per sync instead of waiting\n"
                 "  --capture DIR      save frames as DIR/frame_NNNNNN.png\n"
                 "  --capture-every K  save every K-th frame only (default 1)\n"
                 "  --rate HZ          frames per second that sync waits for (default 60;\n"
                 "                     0: no wait); the program's frame_rate overrides it\n"
                 "  --seed N           seed of random (default: from the clock)\n"
                 "  --keys F:S:D,...   at the sync of frame F (from 1), the key of scan code S\n"
                 "                     goes down (D 1) or up (D 0) before messages are pumped\n");
}

bool number(const char* text, long long lo, long long hi, long long& out) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text, &end, 10);
    if (errno || end == text || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    kx::run::Options opt;
    bool stats = false, verify_only = false;
    std::string path, runtime_path;
    for (int k = 1; k < argc; ++k) {
        std::string a = argv[k];
        long long v = 0;
        auto value = [&](long long lo, long long hi) {
            if (k + 1 >= argc || !number(argv[k + 1], lo, hi, v)) {
                std::fprintf(stderr, "kxrun: %s needs a number from %lld to %lld\n", a.c_str(), lo,
                             hi);
                std::exit(kCannotRun);
            }
            ++k;
            return v;
        };
        if (a == "--stats")
            stats = true;
        else if (a == "--verify")
            verify_only = true;
        else if (a == "--budget")
            opt.budget = static_cast<std::int32_t>(value(1, INT32_MAX));
        else if (a == "--max-cycles")
            opt.max_cycles = value(1, INT64_MAX);
        else if (a == "--banks")
            opt.banks = static_cast<std::int32_t>(value(1, 1 << 24));
        else if (a == "--runtime" && k + 1 < argc)
            runtime_path = argv[++k];
        else if (a == "--backend" && k + 1 < argc) {
            opt.graphics.backend = argv[++k];
            if (opt.graphics.backend != "headless" && opt.graphics.backend != "sdl") {
                std::fprintf(stderr, "kxrun: --backend is headless or sdl, not %s\n",
                             opt.graphics.backend.c_str());
                return kCannotRun;
            }
        } else if (a == "--frames")
            opt.graphics.frames = value(1, INT64_MAX);
        else if (a == "--capture" && k + 1 < argc)
            opt.graphics.capture_dir = argv[++k];
        else if (a == "--capture-every")
            opt.graphics.capture_every = static_cast<std::int32_t>(value(1, INT32_MAX));
        else if (a == "--rate")
            opt.graphics.rate = static_cast<double>(value(0, 1000));
        else if (a == "--keys" && k + 1 < argc) {
            std::string why;
            if (!kx::run::parse_keys(argv[++k], opt.graphics.keys, why)) {
                std::fprintf(stderr, "kxrun: --keys: %s\n", why.c_str());
                return kCannotRun;
            }
        } else if (a == "--seed")
            opt.seed = static_cast<std::uint64_t>(value(0, INT64_MAX));
        else if (a == "-h" || a == "--help") {
            usage();
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "kxrun: unknown option %s\n", a.c_str());
            usage();
            return kCannotRun;
        } else if (path.empty())
            path = a;
        else {
            usage();
            return kCannotRun;
        }
    }
    if (path.empty()) {
        usage();
        return kCannotRun;
    }

    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!kx::kxasm::read_file(path, bytes, error)) {
        std::fprintf(stderr, "kxrun: %s\n", error.c_str());
        return kCannotRun;
    }
    kx::kxasm::Image image;
    if (kx::kxasm::has_magic(bytes.data(), bytes.size())) {
        if (!kx::kxasm::decode(bytes.data(), bytes.size(), image, error)) {
            std::fprintf(stderr, "kxrun: %s: %s\n", path.c_str(), error.c_str());
            return kCannotRun;
        }
        image.source_name = path;
    } else {
        kx::kxasm::AssemblyResult r = kx::kxasm::assemble(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path);
        for (const kx::kxasm::Diagnostic& d : r.errors)
            std::fprintf(stderr, "%s\n", d.text().c_str());
        if (!r.ok) return kCannotRun;
        image = std::move(r.image);
    }

    kx::run::Runtime runtime;
    if (!runtime.load(runtime_path.empty() ? kx::run::runtime_beside_executable() : runtime_path,
                      error)) {
        std::fprintf(stderr, "kxrun: %s\n", error.c_str());
        return kCannotRun;
    }
    kx::run::Host host(runtime, opt);
    std::vector<std::string> errors;
    if (!host.load(image, errors)) {
        std::fprintf(stderr, "kxrun: %s: the program was refused:\n", path.c_str());
        for (const std::string& e : errors)
            std::fprintf(stderr, "  %s\n", e.c_str());
        return kCannotRun;
    }
    if (verify_only) return 0;
    kx::run::Outcome o = host.run();
    if (!o.note.empty()) std::fprintf(stderr, "kxrun: %s\n", o.note.c_str());
    if (stats && !host.graphics().frame_times().empty()) {
        std::vector<double> t = host.graphics().frame_times();
        double sum = 0;
        for (double v : t)
            sum += v;
        std::sort(t.begin(), t.end());
        std::size_t p99 = (t.size() * 99 + 99) / 100 - 1;
        std::fprintf(stderr,
                     "kxrun: %zu frames (%s backend), frame time mean %.3f ms, 99th percentile "
                     "%.3f ms\n",
                     t.size(), host.graphics().backend().c_str(), sum / double(t.size()),
                     t[std::min(p99, t.size() - 1)]);
    }
    if (stats) {
        const kx::run::Stats& s = host.stats();
        std::fprintf(stderr,
                     "kxrun: %llu counted instructions in %llu runs, %llu host instructions "
                     "(%llu export calls), %.6f s\n",
                     static_cast<unsigned long long>(s.cycles),
                     static_cast<unsigned long long>(s.runs),
                     static_cast<unsigned long long>(s.host),
                     static_cast<unsigned long long>(s.calls), s.seconds);
    }
    if (!o.ended) {
        std::fprintf(stderr, "kxrun: %s\n", o.message.c_str());
        return kFault;
    }
    return o.status & 0xFF;
}
