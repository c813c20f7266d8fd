// kx_exportgen: reads the runtime's public header and writes the table of
// exports that the assembler and the host use. Run at build time:
//
//     kx_exportgen include/kx/kx_vm.h exports_table.cpp
//
// Every declaration of the form `KX_API <result> KX_CALL <Name>(<parameters>);`
// (possibly over several lines) becomes one entry: its name, the kind of its
// result and of each parameter, and the parameter names. Kinds: i int32_t,
// u uint32_t, f float, p any address (a type with a '*'), v void (results only).
// The generated file also checks each entry against the declaration's real
// type at compile time, so a header the generator misreads fails the build.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Export {
    std::string name, result;
    std::string kinds; // one letter per parameter
    std::vector<std::string> params;
    int line = 0;
};

std::string trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Removes comments and preprocessor lines, keeping newlines so that line
// numbers stay right.
std::string strip(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool line_start = true, directive = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        char c = text[k];
        if (c == '\n') {
            out += '\n';
            // A directive continues over a line that ends with a backslash.
            if (!(directive && k > 0 && text[k - 1] == '\\')) directive = false;
            line_start = true;
            continue;
        }
        if (directive) continue;
        if (c == '/' && k + 1 < text.size() && text[k + 1] == '*') {
            std::size_t e = text.find("*/", k + 2);
            if (e == std::string::npos) e = text.size() - 2;
            for (std::size_t j = k; j < e + 2; ++j)
                if (text[j] == '\n') out += '\n';
            k = e + 1;
            out += ' ';
            continue;
        }
        if (c == '/' && k + 1 < text.size() && text[k + 1] == '/') {
            while (k + 1 < text.size() && text[k + 1] != '\n')
                ++k;
            continue;
        }
        if (line_start && c == '#') {
            directive = true;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c))) line_start = false;
        out += c;
    }
    return out;
}

// Kind letter of a type, or 0 when the type is not one the table supports.
char kind_of(std::string type, bool result) {
    if (type.find('*') != std::string::npos) return 'p';
    std::istringstream in(type);
    std::string word, base;
    while (in >> word)
        if (word != "const") base = word;
    if (base == "int32_t") return 'i';
    if (base == "uint32_t") return 'u';
    if (base == "float") return 'f';
    if (base == "void" && result) return 'v';
    return 0;
}

bool is_ident(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Splits a parameter into its type and its name (the last identifier, when
// the declaration names it).
void split_param(const std::string& p, std::string& type, std::string& name) {
    std::size_t e = p.size();
    std::size_t b = e;
    while (b > 0 && is_ident(p[b - 1]))
        --b;
    std::string last = p.substr(b, e - b);
    std::string before = trim(p.substr(0, b));
    bool named = !before.empty() && !last.empty() && last != "const" && before != "const";
    if (named) {
        type = before, name = last;
    } else {
        type = p, name = "";
    }
}

bool parse(const std::string& path, std::vector<Export>& out) {
    std::ifstream f(path);
    if (!f) {
        std::cerr << "kx_exportgen: cannot read " << path << "\n";
        return false;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    std::string text = strip(ss.str());
    bool ok = true;
    std::size_t pos = 0;
    auto line_at = [&](std::size_t at) {
        int n = 1;
        for (std::size_t k = 0; k < at && k < text.size(); ++k)
            n += text[k] == '\n';
        return n;
    };
    auto fail = [&](std::size_t at, const std::string& what) {
        std::cerr << path << ":" << line_at(at) << ": " << what << "\n";
        ok = false;
    };
    while ((pos = text.find("KX_API", pos)) != std::string::npos) {
        std::size_t start = pos;
        pos += 6;
        if ((start > 0 && is_ident(text[start - 1])) || (pos < text.size() && is_ident(text[pos])))
            continue;
        std::size_t end = text.find(';', pos);
        if (end == std::string::npos) {
            fail(start, "declaration without ';'");
            break;
        }
        std::string decl = text.substr(pos, end - pos);
        pos = end + 1;
        std::size_t call = decl.find("KX_CALL");
        std::size_t open = decl.find('(');
        std::size_t close = decl.rfind(')');
        if (call == std::string::npos || open == std::string::npos || close == std::string::npos ||
            open < call || close < open) {
            fail(start, "not of the form KX_API <result> KX_CALL <Name>(<parameters>)");
            continue;
        }
        Export e;
        e.line = line_at(start);
        std::string result = trim(decl.substr(0, call));
        e.name = trim(decl.substr(call + 7, open - call - 7));
        char rk = kind_of(result, true);
        if (!rk) fail(start, "unsupported result type '" + result + "' of " + e.name);
        e.result = std::string(1, rk);
        std::string params = trim(decl.substr(open + 1, close - open - 1));
        if (params != "void" && !params.empty()) {
            std::stringstream ps(params);
            std::string p;
            while (std::getline(ps, p, ',')) {
                std::string type, name;
                split_param(trim(p), type, name);
                char k = kind_of(type, false);
                if (!k) fail(start, "unsupported parameter type '" + type + "' of " + e.name);
                e.kinds += k;
                e.params.push_back(name.empty() ? "arg" + std::to_string(e.params.size() + 1)
                                                : name);
            }
        }
        for (char c : e.name)
            if (!is_ident(c)) {
                fail(start, "bad export name '" + e.name + "'");
                break;
            }
        out.push_back(e);
    }
    if (out.empty()) {
        std::cerr << path << ": no exports found\n";
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kx_exportgen kx_vm.h output.cpp\n";
        return 1;
    }
    std::vector<Export> exports;
    if (!parse(argv[1], exports)) return 1;

    std::ostringstream o;
    o << "// Generated by kx_exportgen from include/kx/kx_vm.h; do not edit.\n"
         "#include \"kx/kx_vm.h\"\n"
         "#include \"export_thunks.h\"\n\n"
         "namespace kx::kxasm {\n\n"
         "const ExportInfo kExportTable[] = {\n";
    for (const Export& e : exports) {
        std::string names;
        for (std::size_t k = 0; k < e.params.size(); ++k)
            names += (k ? ", " : "") + e.params[k];
        o << "    {\"" << e.name << "\", '" << e.result << "', \"" << e.kinds << "\", \"" << names
          << "\", &Thunk<decltype(&::" << e.name << ")>::call},\n";
    }
    o << "};\n\nconst std::size_t kExportCount = sizeof(kExportTable) / "
         "sizeof(kExportTable[0]);\n\n";
    for (const Export& e : exports)
        o << "static_assert(signature_of<decltype(&::" << e.name << ")>() == Signature{'"
          << e.result << "', \"" << e.kinds << "\"}, \"kx_vm.h:" << e.line << ": " << e.name
          << " read wrongly\");\n";
    o << "\n} // namespace kx::kxasm\n";

    std::ofstream out(argv[2]);
    out << o.str();
    if (!out) {
        std::cerr << "kx_exportgen: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
