// File channels: the file exports in any order, on names made by the input,
// inside a private temporary folder that is emptied after every input.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "kx/kx_vm.h"

namespace {

// The folder the harness works in, made once. Names are full paths into it, but
// a program may swap or overwrite a name's bank with any text, so the folder is
// also the current one: relative names land in it too. (Give the fuzzer its
// corpus and artifact folders as absolute paths, as fuzz/run.sh does.)
const std::string& folder() {
    static const std::string dir = [] {
        char name[] = "/tmp/kx_fuzz_files_XXXXXX";
        if (!mkdtemp(name) || chdir(name) != 0) std::abort();
        return std::string(name);
    }();
    return dir;
}

void empty_folder() {
    if (DIR* d = opendir(folder().c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' || (e->d_name[1] && (e->d_name[1] != '.' || e->d_name[2])))
                unlink((folder() + "/" + e->d_name).c_str());
        closedir(d);
    }
}

// A path into the folder: a few letters or digits (or none) after it.
std::string file_name(kx::fuzz::Input& in) {
    static const char chars[] = "ab0.";
    std::string s;
    for (std::size_t n = in.pick(5); n > 0; --n)
        s.push_back(chars[in.pick(4)]);
    return folder() + "/" + (s == "." || s == ".." ? "a" : s);
}

std::int32_t count_of(kx::fuzz::Input& in) {
    std::int32_t n = in.number();
    return (n >= 0 && n < INT32_MAX - 64) ? (n & 0xFFFF) : n; // big ones only at the edges
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    folder();
    kx::fuzz::keep_raster_library();
    kx::fuzz::Input in(data, size);
    VM_OpenMemoryManager(128);
    std::vector<std::int32_t> names, strings = {0, -1};
    std::vector<std::int32_t> files = {0, 12345};
    auto name = [&] { return names.empty() ? 0 : names[in.pick(names.size())]; };
    auto str = [&] { return strings[in.pick(strings.size())]; };
    auto file = [&] { return files[in.pick(files.size())]; };
    // Where writes may go: below 1 MiB (or negative), so that no input makes
    // files of gigabytes for the line readers to read back.
    auto wpos = [&] {
        std::int32_t p = in.number();
        return p > (1 << 20) ? p & 0xFFFFF : p;
    };
    while (in.more()) {
        switch (in.pick(24)) {
        case 0: {
            // A name as a counted string, or a zero-terminated bank cut short.
            std::string s = file_name(in);
            std::int32_t h;
            if (in.byte() & 1) {
                h = VM_NewKXStr(static_cast<std::int32_t>(s.size()));
                VM_PeekMemToStr(h, s.data(), static_cast<std::int32_t>(s.size()));
            } else {
                h = VM_TypedAlloc(static_cast<std::uint32_t>(s.size()), 3, 0);
                if (void* p = VM_BankPtr(h)) std::memcpy(p, s.data(), s.size());
            }
            names.push_back(h);
            strings.push_back(h);
            break;
        }
        case 1: {
            std::string s = in.text();
            std::int32_t h = VM_NewKXStr(static_cast<std::int32_t>(s.size()));
            VM_PeekMemToStr(h, s.data(), static_cast<std::int32_t>(s.size()));
            strings.push_back(h);
            break;
        }
        case 2: files.push_back(VM_FileOpen(name())); break;
        case 3: files.push_back(VM_FileRead(name())); break;
        case 4: files.push_back(VM_FileWrite(name())); break;
        case 5: VM_FileClose(file()); break;
        case 6:
            VM_FileEOF(file());
            VM_FilePos(file());
            VM_FileSize(name());
            VM_FileExist(name());
            break;
        case 7: VM_FileSetPos(file(), wpos()); break;
        case 8:
            VM_FileReadB(file(), in.number());
            VM_FileReadW(file(), in.number());
            VM_FileReadL(file(), in.number());
            VM_FileReadF(file(), in.number());
            break;
        case 9: VM_FileWriteB(file(), wpos(), in.number()); break;
        case 10: VM_FileWriteW(file(), wpos(), in.number()); break;
        case 11: VM_FileWriteL(file(), wpos(), in.number()); break;
        case 12: VM_FileWriteF(file(), wpos(), static_cast<float>(in.number())); break;
        case 13: VM_FileReadStr(file(), in.number(), str()); break;
        case 14: VM_FileReadStr_OLD(file(), in.number(), str()); break;
        case 15: VM_FileWriteStr(file(), wpos(), str()); break;
        case 16: VM_FileReadCHR(file(), in.number(), str(), count_of(in)); break;
        case 17: VM_FileWriteCHR(file(), wpos(), str(), in.number()); break;
        case 18: {
            std::vector<char> buf(256);
            VM_FileReadMem(file(), in.number(), buf.data(),
                           static_cast<std::int32_t>(in.pick(257)));
            std::size_t a = in.pick(257), b = in.pick(257);
            VM_FileWriteMem(file(), wpos(), buf.data() + a, buf.data() + b);
            break;
        }
        case 19:
            VM_FileReadValueL(file(), in.number());
            VM_FileReadValueF(file(), in.number());
            break;
        case 20: VM_FileTempFolder(str()); break;
        case 21: VM_Free(str()); break;
        case 22: VM_SwapBankPtrs(str(), str()); break;
        default: VM_ResizeStr(str(), count_of(in)); break;
        }
        if (files.size() > 32) {
            for (std::size_t k = 2; k < files.size(); ++k)
                VM_FileClose(files[k]);
            files.resize(2);
        }
    }
    for (std::int32_t f : files)
        VM_FileClose(f);
    VM_FreeALLBanks();
    VM_CloseMemoryManager();
    empty_folder();
    return 0;
}
