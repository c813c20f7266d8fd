// The assembler's parser: source lines into statements, declarations into
// symbols and variables, labels into statement numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "diagnostics.h"
#include "image.h"
#include "opcodes.h"

namespace kx::kxasm {

struct Operand {
    enum Kind { Name, IntLit, FloatLit, StrLit, Other, ListLit } kind = Name;
    std::string text; // a name, or a string literal's bytes
    std::int32_t i = 0;
    std::uint32_t fbits = 0;
    std::vector<Operand> items; // ListLit
    int col = 0;
};

struct Statement {
    const OpInfo* op = nullptr;
    int line = 0, col = 0;
    std::vector<Operand> ops;
    bool newline = true;   // print (true) or write (false)
    std::int32_t nret = 0; // func_call
    std::string export_name;
    int export_col = 0;
    std::optional<Operand> result; // r = call ...
    std::int32_t pos = 0, size = 0;
};

struct Symbol {
    enum Kind { Var, Const, List } kind = Var;
    std::int32_t tag = VM_TAG_INT, index = 0;
    bool is_string = false;
    Operand value;              // Const
    std::vector<Operand> items; // List
    int line = 0;
};

struct Label {
    std::int32_t statement = 0; // index of the statement it marks (may be the end)
    int line = 0;
};

// What the parser hands on to layout and emission.
struct Parsed {
    Image image; // declared variables and their initial values, string banks, stack size
    std::vector<Statement> statements;
    std::unordered_map<std::string, Symbol> symbols;
    std::unordered_map<std::string, Label> labels;
    int total_lines = 0;
};

Parsed parse(std::string_view source, Diagnostics& diag);

} // namespace kx::kxasm
