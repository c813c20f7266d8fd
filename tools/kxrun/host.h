// The reference host: loads KX_VM.so by name, loads a verified program into a
// program record and runs it, carrying out the host instructions that the
// interpreter hands back (docs/ASSEMBLY.md, "Host instructions").
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "graphics.h"
#include "image.h"
#include "kx/kx_vm.h"

namespace kx::run {

// KX_VM.so opened with dlopen; every export of the generated table is looked
// up with dlsym (null when the loaded library lacks it).
class Runtime {
  public:
    Runtime() = default;
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    bool load(const std::string& path, std::string& error);
    void* address(std::size_t export_id) const { return fns_[export_id]; }
    // Any symbol of the library (the host kit's functions), or null.
    void* symbol(const char* name) const;

    // The exports the host itself uses.
#define KX_RUN_FN(name) decltype(&::name) name = nullptr
    KX_RUN_FN(VM_OpenMemoryManager);
    KX_RUN_FN(VM_CloseMemoryManager);
    KX_RUN_FN(VM_FreeALLBanks);
    KX_RUN_FN(VM_AllocProgram);
    KX_RUN_FN(VM_DeleteProgram);
    KX_RUN_FN(VM_Execute);
    KX_RUN_FN(VM_NewKXStr);
    KX_RUN_FN(VM_StrFirstChrPtr);
    KX_RUN_FN(VM_StrLen);
    KX_RUN_FN(VM_StrRefreshLen);
    KX_RUN_FN(VM_GetStackCurrentSize);
    KX_RUN_FN(KX_GetCurrentSurface);
#undef KX_RUN_FN

  private:
    void* module_ = nullptr;
    std::vector<void*> fns_;
};

// KX_VM.so in the folder of the running executable.
std::string runtime_beside_executable();

struct Options {
    std::int32_t budget = 1000000; // cycles per VM_Execute
    std::int64_t max_cycles = 0;   // stop with a fault after this many counted cycles (0: never)
    std::int32_t banks = 65536;    // bank table size
    std::FILE* out = stdout;       // where print writes
    GraphicsOptions graphics;      // backend, frames, capture, frame rate
    std::optional<std::uint64_t> seed; // of random (none: from the clock)
    // Stop with a fault when a screen is open, --frames is given and no sync
    // came for this many seconds (a loop that never calls sync).
    double sync_timeout = 10;
};

struct Stats {
    std::uint64_t cycles = 0; // counted instructions executed by the interpreter
    std::uint64_t host = 0;   // host instructions carried out
    std::uint64_t calls = 0;  // of which export calls
    std::uint64_t runs = 0;   // VM_Execute calls
    double seconds = 0;       // wall time of run()
};

struct Outcome {
    bool ended = false;      // true: the program ran its end instruction
    std::int32_t status = 0; // its status
    std::string message;     // why it stopped otherwise
    std::string note;        // why a program that ended was ended by the host, if it was
};

class Host {
  public:
    Host(Runtime& runtime, Options options);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Verifies the image, opens the memory manager, makes the program record,
    // sets its variables and string banks. False with the reasons otherwise.
    bool load(const kxasm::Image& image, std::vector<std::string>& errors);
    // Runs the loaded program from position 0 until it ends or faults.
    Outcome run();

    const Stats& stats() const { return stats_; }
    VM_Program* program() const { return program_; }
    Graphics& graphics() { return *gfx_; }

  private:
    struct Arg {
        std::uint8_t conv;
        const void* src;
    };
    struct Item {
        std::int32_t form, tag;
        const void* src;
    };
    struct Ref {
        std::int32_t tag = 0;
        void* var = nullptr;
    };
    struct Instr {
        std::int32_t op, next;
        Ref ops[4];           // the graphics instructions' operands
        bool draws = false;   // call: an export that draws on the current surface
        std::int32_t tag = 0; // end, clock: operand tag; call: result tag (0 none)
        void* var = nullptr;  // end, clock: operand; call: result variable
        // call
        std::uint64_t (*thunk)(void*, const std::uint32_t*) = nullptr;
        void* fn = nullptr;
        char result = 'v';
        std::uint32_t first = 0, count = 0; // args_ or items_
        bool newline = false;
        const char* name = "";
    };

    bool fault(Outcome& o, std::int32_t pc, const std::string& message) const;
    std::string where(std::int32_t pc) const;
    void print(const Instr& in);
    // A graphics instruction; false when the program stops (o says how).
    bool graphics(const Instr& in, std::int32_t pc, Outcome& o);
    std::int32_t int_of(const Ref& r) const;
    float float_of(const Ref& r) const;
    void set(const Ref& r, std::int32_t value) const;
    std::string text_of(const Ref& r) const;
    std::uint64_t next_random();

    Runtime& rt_;
    Options opt_;
    VM_Program* program_ = nullptr;
    bool manager_open_ = false;
    std::int32_t* ints_ = nullptr;
    float* floats_ = nullptr;
    std::vector<std::int32_t> host_at_; // per code word: index into instrs_, or -1
    std::vector<Instr> instrs_;
    std::vector<Arg> args_;
    std::vector<Item> items_;
    std::vector<std::int32_t> lines_;
    std::string source_;
    Stats stats_;
    std::unique_ptr<Graphics> gfx_;
    std::uint64_t random_state_ = 0;
};

} // namespace kx::run
