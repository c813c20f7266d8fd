#include "opcodes.h"

#include <cctype>
#include <cstring>

#include "exports.h"

namespace kx::kxasm {

const OpInfo kInstructions[] = {
#define KX_ROW(NAME, mnemonic, handler, layout) {mnemonic, VM_OP_##NAME, &vm::form::layout},
    KX_VM_INSTRUCTIONS(KX_ROW)
#undef KX_ROW
        {"end", HOST_END, &host_form::kEnd},
    {"call", HOST_CALL, &host_form::kCall},
    {"print", HOST_PRINT, &host_form::kPrint},
    {"clock", HOST_CLOCK, &host_form::kClock},
    {"open_screen", HOST_OPEN_SCREEN, &host_form::kOpenScreen},
    {"open_fullscreen", HOST_OPEN_FULLSCREEN, &host_form::kOpenScreen},
    {"sync", HOST_SYNC, &host_form::kSync},
    {"frame_rate", HOST_FRAME_RATE, &host_form::kFrameRate},
    {"load_image", HOST_LOAD_IMAGE, &host_form::kLoadImage},
    {"random", HOST_RANDOM, &host_form::kRandom},
    {"get_window", HOST_GET_WINDOW, &host_form::kGetWindow},
};
const std::size_t kInstructionCount = sizeof(kInstructions) / sizeof(kInstructions[0]);

const OpInfo* find_mnemonic(std::string_view name) {
    for (const OpInfo& op : kInstructions) {
        std::size_t n = std::strlen(op.mnemonic);
        if (n != name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < n && same; ++k)
            same = std::tolower(static_cast<unsigned char>(name[k])) == op.mnemonic[k];
        if (same) return &op;
    }
    return nullptr;
}

const OpInfo* find_opcode(std::int32_t opcode) {
    for (const OpInfo& op : kInstructions)
        if (op.opcode == opcode) return &op;
    return nullptr;
}

bool is_interpreter_opcode(std::int32_t opcode) {
    const OpInfo* op = find_opcode(opcode);
    return op && opcode < 2000;
}

bool ends_flow(std::int32_t opcode) {
    return opcode == VM_OP_GOTO || opcode == VM_OP_RETURN || opcode == VM_OP_FUNC_RETURN ||
           opcode == HOST_END;
}

const ExportInfo* find_export(std::string_view name) {
    for (std::size_t k = 0; k < kExportCount; ++k)
        if (name == kExportTable[k].name) return &kExportTable[k];
    return nullptr;
}

} // namespace kx::kxasm
