// kxdemo: loads KX_VM.so by name, as every host does, runs a small bytecode
// program and carries out the host instructions it hands back (print, end).
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <type_traits>

#include "bytecode_builder.h"

using namespace kx::tools;

namespace {

// Host opcodes of this demo (anything outside the interpreter's set).
constexpr std::int32_t kPrintInt = 2001;   // tag, index: print an integer variable
constexpr std::int32_t kPrintFloat = 2002; // tag, index: print a float variable
constexpr std::int32_t kEnd = 2000;

struct Runtime {
    void* module = nullptr;
#define KX_FN(name) decltype(&::name) name = nullptr
    KX_FN(VM_AllocProgram);
    KX_FN(VM_DeleteProgram);
    KX_FN(VM_PokeProgramMemory);
    KX_FN(VM_PeekProgramMemory);
    KX_FN(VM_PeekIntVariable);
    KX_FN(VM_PokeIntVariable);
    KX_FN(VM_PeekFloatVariable);
    KX_FN(VM_PokeFloatVariable);
    KX_FN(VM_Execute);
    KX_FN(VM_GetLastExecutionState);
    KX_FN(VM_GetExecutedCycles);
#undef KX_FN

    bool load(const std::string& path) {
        module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) return false;
        bool ok = true;
        auto bind = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(module, name));
            ok = ok && fn != nullptr;
        };
#define KX_BIND(name) bind(name, #name)
        KX_BIND(VM_AllocProgram);
        KX_BIND(VM_DeleteProgram);
        KX_BIND(VM_PokeProgramMemory);
        KX_BIND(VM_PeekProgramMemory);
        KX_BIND(VM_PeekIntVariable);
        KX_BIND(VM_PokeIntVariable);
        KX_BIND(VM_PeekFloatVariable);
        KX_BIND(VM_PokeFloatVariable);
        KX_BIND(VM_Execute);
        KX_BIND(VM_GetLastExecutionState);
        KX_BIND(VM_GetExecutedCycles);
#undef KX_BIND
        return ok;
    }
};

std::string beside_executable(const char* name) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    std::string dir(self, static_cast<std::size_t>(n));
    return dir.substr(0, dir.rfind('/') + 1) + name;
}

// Integers: 0 i, 1 sum, 2 limit, 3 a, 4 b, 5 result, 6 one. Floats: 0 r, 1 area, 2 pi.
Bytecode demo_program() {
    Bytecode c;
    // sum = 0; for i = 1 to limit: sum = sum + i
    c.ins(VM_OP_MOVE, {I(1), I(7)}); // int 7 holds 0
    c.ins(VM_OP_MOVE, {I(0), I(6)}); // i = 1
    std::int32_t loop = c.here();
    c.ins(VM_OP_ADD, {I(1), I(1), I(0)});    // sum += i
    c.ins(VM_OP_NEXT, {I(0), I(2)}, {loop}); // next i
    c.ins(kPrintInt, {I(1)});
    // result = square_plus(a, b) through CALL / FUNC_RETURN
    c.word(VM_OP_CALL).word(2).word(1).operand(I(3)).operand(I(4)).word(0);
    std::int32_t call_target = c.last();
    c.ins(VM_OP_POP_INT, {I(5)});
    c.ins(kPrintInt, {I(5)});
    // area = pi * r * r
    c.ins(VM_OP_MUL, {F(1), F(0), F(0)});
    c.ins(VM_OP_MUL, {F(1), F(1), F(2)});
    c.ins(kPrintFloat, {F(1)});
    c.word(kEnd);
    // square_plus: pops b then a, pushes a * a + b
    c.patch(call_target, c.here());
    c.word(VM_OP_POP_N).word(2).operand(I(11)).operand(I(10));
    c.ins(VM_OP_MUL, {I(12), I(10), I(10)});
    c.ins(VM_OP_ADD, {I(12), I(12), I(11)});
    c.word(VM_OP_FUNC_RETURN).operand(I(12));
    return c;
}

} // namespace

int main() {
    Runtime vm;
    std::string path = beside_executable("KX_VM.so");
    if (!vm.load(path)) {
        std::fprintf(stderr, "kxdemo: cannot load %s: %s\n", path.c_str(), dlerror());
        return 1;
    }
    Bytecode code = demo_program();
    VM_Program* prog = vm.VM_AllocProgram(static_cast<std::uint32_t>(code.words.size()), 64, 16, 4);
    if (!prog) {
        std::fprintf(stderr, "kxdemo: cannot allocate a program record\n");
        return 1;
    }
    for (std::size_t k = 0; k < code.words.size(); ++k)
        vm.VM_PokeProgramMemory(prog, static_cast<std::int32_t>(k), code.words[k]);
    vm.VM_PokeIntVariable(prog, 2, 1000); // limit
    vm.VM_PokeIntVariable(prog, 3, 7);    // a
    vm.VM_PokeIntVariable(prog, 4, 1);    // b
    vm.VM_PokeIntVariable(prog, 6, 1);
    vm.VM_PokeFloatVariable(prog, 0, 2.5f);
    vm.VM_PokeFloatVariable(prog, 2, 3.14159265f);

    const char* labels[] = {"sum of 1..1000", "7 * 7 + 1 (a function call)",
                            "area of a circle of radius 2.5"};
    int printed = 0;
    long cycles = 0, runs = 0;
    std::int32_t pc = 0;
    for (;;) {
        pc = vm.VM_Execute(prog, pc, 100); // a small budget: the host regains control often
        cycles += vm.VM_GetExecutedCycles(prog);
        runs++;
        if (vm.VM_GetLastExecutionState(prog) != VM_STATE_HOST) continue;
        std::int32_t op = vm.VM_PeekProgramMemory(prog, pc);
        std::int32_t index = vm.VM_PeekProgramMemory(prog, pc + 2);
        if (op == kPrintInt) {
            std::printf("%s = %d\n", labels[printed++ % 3], vm.VM_PeekIntVariable(prog, index));
            pc += 3;
        } else if (op == kPrintFloat) {
            std::printf("%s = %.6g\n", labels[printed++ % 3], vm.VM_PeekFloatVariable(prog, index));
            pc += 3;
        } else if (op == kEnd) {
            break;
        } else {
            std::fprintf(stderr, "kxdemo: unknown instruction %d at %d\n", op, pc);
            vm.VM_DeleteProgram(prog);
            return 1;
        }
    }
    std::printf("%ld counted instructions over %ld runs\n", cycles, runs);
    vm.VM_DeleteProgram(prog);
    dlclose(vm.module);
    return 0;
}
