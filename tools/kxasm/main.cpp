// kxasm: assembles a .kxa file into a bytecode file that kxrun runs.
#include <cstdio>
#include <string>

#include "assembler.h"
#include "exports.h"
#include "verifier.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: kxasm [-o OUTPUT] INPUT.kxa   (default output: INPUT.kxb)\n"
                 "       kxasm --exports             (list the exports a program can call)\n");
}

const char* kind_name(char k) {
    switch (k) {
    case 'i': return "int";
    case 'u': return "uint";
    case 'f': return "float";
    case 'p': return "address";
    default: return "none";
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string in, out;
    for (int k = 1; k < argc; ++k) {
        std::string a = argv[k];
        if (a == "-o" && k + 1 < argc) {
            out = argv[++k];
        } else if (a == "--exports") {
            for (std::size_t e = 0; e < kx::kxasm::kExportCount; ++e) {
                const kx::kxasm::ExportInfo& x = kx::kxasm::kExportTable[e];
                std::printf("%-8s %s(", kind_name(x.result), x.name);
                for (std::size_t p = 0; x.params[p]; ++p)
                    std::printf("%s%s", p ? ", " : "", kind_name(x.params[p]));
                std::printf(")\n");
            }
            return 0;
        } else if (a == "-h" || a == "--help") {
            usage();
            return 0;
        } else if (in.empty() && !a.empty() && a[0] != '-') {
            in = a;
        } else {
            usage();
            return 2;
        }
    }
    if (in.empty()) {
        usage();
        return 2;
    }
    if (out.empty()) {
        std::size_t dot = in.rfind('.');
        std::size_t slash = in.rfind('/');
        out = (dot != std::string::npos && (slash == std::string::npos || dot > slash)
                   ? in.substr(0, dot)
                   : in) +
              ".kxb";
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!kx::kxasm::read_file(in, bytes, error)) {
        std::fprintf(stderr, "kxasm: %s\n", error.c_str());
        return 1;
    }
    kx::kxasm::AssemblyResult r = kx::kxasm::assemble(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), in);
    for (const kx::kxasm::Diagnostic& d : r.errors)
        std::fprintf(stderr, "%s\n", d.text().c_str());
    if (!r.ok) return 1;
    // What the assembler makes must pass the host's verifier; anything else is
    // a fault of the assembler, reported rather than written.
    kx::kxasm::Verification v = kx::kxasm::verify(r.image);
    if (!v.ok) {
        std::fprintf(stderr, "kxasm: internal error: the output does not verify:\n");
        for (const std::string& e : v.errors)
            std::fprintf(stderr, "  %s\n", e.c_str());
        return 1;
    }
    if (!kx::kxasm::write_file(out, kx::kxasm::encode(r.image), error)) {
        std::fprintf(stderr, "kxasm: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
