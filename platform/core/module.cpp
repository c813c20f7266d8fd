// Module loading through the dynamic loader.
#include "kxp/module.h"

#include <dlfcn.h>

#include <string>

namespace kxp {
namespace {

std::string shared_object_name(const char* name) {
    std::string n(name);
    const std::string dll = ".dll";
    if (n.size() >= dll.size()) {
        std::string tail = n.substr(n.size() - dll.size());
        for (char& c : tail)
            c = static_cast<char>(c | 0x20);
        if (tail == dll) n.replace(n.size() - dll.size(), dll.size(), ".so");
    }
    return n;
}

std::string folder_of(const void* address) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    std::string path(info.dli_fname);
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

HMODULE LoadLibraryA(const char* name, const void* beside) {
    if (name == nullptr || *name == '\0') return nullptr;
    std::string file = shared_object_name(name);
    if (file.find('/') == std::string::npos) {
        std::string folder = folder_of(beside);
        if (!folder.empty()) {
            if (void* h = dlopen((folder + file).c_str(), RTLD_NOW | RTLD_LOCAL)) return h;
        }
    }
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    return dlsym(module, name);
}

std::int32_t FreeLibrary(HMODULE module) {
    if (module == nullptr) return 0;
    return dlclose(module) == 0 ? 1 : 0;
}

} // namespace kxp
