#include "emitter.h"

#include <algorithm>
#include <map>

#include "exports.h"

namespace kx::kxasm {
namespace {

struct Pair {
    std::int32_t tag = 0, index = 0;
    bool is_string = false;
};

class Emitter {
  public:
    Emitter(Parsed& p, Diagnostics& diag)
        : diag_(diag), im_(p.image), stmts_(p.statements), symbols_(p.symbols), labels_(p.labels),
          total_lines_(p.total_lines), file_(diag.file()) {}

    void run() {
        layout();
        if (!diag_.full()) emit();
    }

  private:
    Diagnostics& diag_;
    Image& im_;
    std::vector<Statement>& stmts_;
    std::unordered_map<std::string, Symbol>& symbols_;
    std::unordered_map<std::string, Label>& labels_;
    int total_lines_;
    const std::string& file_;
    std::map<std::int32_t, std::int32_t> int_consts_;
    std::map<std::uint32_t, std::int32_t> float_consts_;
    std::map<std::string, std::int32_t> string_consts_;
    std::map<std::string, std::int32_t> imports_;
    // Lists laid out after the code: contents (tag, index words) -> position.
    std::map<std::vector<std::int32_t>, std::int32_t> lists_;
    std::vector<std::int32_t> list_words_;
    std::int32_t code_end_ = 0;
    std::int32_t max_nret_ = 0;

    void error(int line, int col, const std::string& message) { diag_.error(line, col, message); }

    // ---- Layout --------------------------------------------------------------------

    // Source operands that a layout's fixed part and tail take: counts, plain
    // words and host call results are not written as operands.
    static std::size_t written_operands(const vm::Layout& l) {
        auto written = [](const vm::OperandSpec& o) {
            using O = vm::Operand;
            return o.kind != O::None && o.kind != O::Count && o.kind != O::Word &&
                           o.kind != O::Result
                       ? 1u
                       : 0u;
        };
        std::size_t n = written(l.tail);
        for (const vm::OperandSpec& o : l.fixed)
            n += written(o);
        return n;
    }

    // How many times a statement repeats its layout's repeated operand.
    std::int64_t repeats(const Statement& s) const {
        const vm::Layout& l = *s.op->layout;
        const std::int64_t given = static_cast<std::int64_t>(s.ops.size());
        switch (l.repeat) {
        case vm::Repeat::None: return 0;
        case vm::Repeat::ByCaller: return std::max<std::int64_t>(given, max_nret_);
        case vm::Repeat::ByCount: break;
        }
        return std::max<std::int64_t>(given - std::int64_t(written_operands(l)), 0);
    }

    std::int64_t size_of(const Statement& s) const { return s.op->layout->length(repeats(s)); }

    void layout() {
        for (const Statement& s : stmts_)
            if (s.op->opcode == VM_OP_CALL) max_nret_ = std::max(max_nret_, s.nret);
        // A program that can run past its last instruction, or that has a label
        // after it, ends with an implicit "end".
        bool label_at_end = false;
        for (auto& [name, l] : labels_)
            label_at_end = label_at_end || l.statement == static_cast<std::int32_t>(stmts_.size());
        if (stmts_.empty() || !ends_flow(stmts_.back().op->opcode) || label_at_end) {
            Statement s;
            s.op = find_mnemonic("end");
            s.line = total_lines_ > 0 ? total_lines_ : 1;
            s.col = 1;
            stmts_.push_back(s);
        }
        std::int64_t pos = 0;
        for (Statement& s : stmts_) {
            s.pos = static_cast<std::int32_t>(pos);
            s.size = static_cast<std::int32_t>(size_of(s));
            pos += s.size;
            if (pos > std::int64_t(kMaxProgramWords)) {
                error(s.line, s.col,
                      "program larger than " + std::to_string(kMaxProgramWords) + " words");
                return;
            }
        }
        code_end_ = static_cast<std::int32_t>(pos);
    }

    std::int32_t label_pos(const Label& l) const {
        return stmts_[static_cast<std::size_t>(l.statement)].pos;
    }

    // ---- Operands ------------------------------------------------------------------

    std::int32_t int_const(std::int32_t v) {
        auto [it, fresh] = int_consts_.emplace(v, 0);
        if (fresh) {
            it->second = static_cast<std::int32_t>(im_.ints.size());
            im_.ints.push_back(v);
        }
        return it->second;
    }
    std::int32_t float_const(std::uint32_t bits) {
        auto [it, fresh] = float_consts_.emplace(bits, 0);
        if (fresh) {
            it->second = static_cast<std::int32_t>(im_.float_bits.size());
            im_.float_bits.push_back(bits);
        }
        return it->second;
    }
    std::int32_t string_const(const std::string& text) {
        auto [it, fresh] = string_consts_.emplace(text, 0);
        if (fresh) {
            it->second = static_cast<std::int32_t>(im_.ints.size());
            im_.ints.push_back(0);
            im_.strings.push_back({it->second, text});
        }
        return it->second;
    }

    // A value operand: a variable, a constant or a literal. `other` only where
    // allowed (stack forms).
    bool value(const Statement& s, const Operand& o, Pair& p, bool allow_other = false) {
        switch (o.kind) {
        case Operand::IntLit: p = {VM_TAG_INT, int_const(o.i)}; return true;
        case Operand::FloatLit: p = {VM_TAG_FLOAT, float_const(o.fbits)}; return true;
        case Operand::StrLit: p = {VM_TAG_INT, string_const(o.text), true}; return true;
        case Operand::Other:
            if (!allow_other) {
                error(s.line, o.col, "'other' is only allowed in stack operands");
                return false;
            }
            p = {VM_TAG_OTHER, 0};
            return true;
        case Operand::ListLit: error(s.line, o.col, "a list is not allowed here"); return false;
        case Operand::Name: break;
        }
        auto it = symbols_.find(o.text);
        if (it == symbols_.end()) {
            if (labels_.count(o.text))
                error(s.line, o.col, "'" + o.text + "' is a label, not a variable");
            else
                error(s.line, o.col, "undeclared variable '" + o.text + "'");
            return false;
        }
        const Symbol& sym = it->second;
        if (sym.kind == Symbol::List) {
            error(s.line, o.col, "'" + o.text + "' is a list, not a variable");
            return false;
        }
        if (sym.kind == Symbol::Const) {
            Operand lit = sym.value;
            lit.col = o.col;
            return value(s, lit, p);
        }
        p = {sym.tag, sym.index, sym.is_string};
        return true;
    }

    // A destination: a declared variable (or `other` where allowed).
    bool dest(const Statement& s, const Operand& o, Pair& p, bool allow_other = false) {
        if (o.kind == Operand::Name) {
            auto it = symbols_.find(o.text);
            if (it != symbols_.end() && it->second.kind == Symbol::Const) {
                error(s.line, o.col, "cannot write to the constant '" + o.text + "'");
                return false;
            }
        } else if (o.kind != Operand::Other) {
            error(s.line, o.col, "cannot write to a constant");
            return false;
        }
        return value(s, o, p, allow_other);
    }

    bool int_value(const Statement& s, const Operand& o, Pair& p, bool is_dest) {
        if (!(is_dest ? dest(s, o, p) : value(s, o, p))) return false;
        if (p.tag != VM_TAG_INT) {
            error(s.line, o.col, std::string(s.op->mnemonic) + " takes integer variables only");
            return false;
        }
        return true;
    }

    bool target(const Statement& s, const Operand& o, std::int32_t& pos) {
        if (o.kind == Operand::Name) {
            auto it = labels_.find(o.text);
            if (it != labels_.end()) {
                pos = label_pos(it->second);
                return true;
            }
            if (symbols_.count(o.text)) {
                error(s.line, o.col, "'" + o.text + "' is not a label");
                return false;
            }
            error(s.line, o.col, "undefined label '" + o.text + "'");
            return false;
        }
        error(s.line, o.col, "expected a label");
        return false;
    }

    // The position of a variable list, laid out after the code.
    bool list(const Statement& s, const Operand& o, std::int32_t& pos) {
        const std::vector<Operand>* items = nullptr;
        if (o.kind == Operand::ListLit) {
            items = &o.items;
        } else if (o.kind == Operand::Name) {
            auto it = symbols_.find(o.text);
            if (it == symbols_.end() || it->second.kind != Symbol::List) {
                error(s.line, o.col,
                      it == symbols_.end() ? "undeclared list '" + o.text + "'"
                                           : "'" + o.text + "' is not a list");
                return false;
            }
            items = &it->second.items;
        } else {
            error(s.line, o.col, "expected a list: [a, b, ...] or the name of one");
            return false;
        }
        std::vector<std::int32_t> words{static_cast<std::int32_t>(items->size())};
        for (const Operand& item : *items) {
            Pair p;
            if (!dest(s, item, p, true)) return false;
            words.push_back(p.tag);
            words.push_back(p.index);
        }
        auto [it, fresh] = lists_.emplace(words, 0);
        if (fresh) {
            it->second = code_end_ + static_cast<std::int32_t>(list_words_.size());
            list_words_.insert(list_words_.end(), words.begin(), words.end());
        }
        pos = it->second;
        return true;
    }

    bool count(const Statement& s, std::size_t lo, std::size_t hi) {
        std::size_t n = s.ops.size();
        if (n >= lo && n <= hi) return true;
        std::string want = lo == hi         ? std::to_string(lo)
                           : hi == SIZE_MAX ? "at least " + std::to_string(lo)
                                            : std::to_string(lo) + " or " + std::to_string(hi);
        error(s.line, s.col,
              std::string("'") + s.op->mnemonic + "' takes " + want + " operand" +
                  (lo == 1 && hi == 1 ? "" : "s") + ", " + std::to_string(n) + " given");
        return false;
    }

    // ---- Emission --------------------------------------------------------------------

    void emit() {
        im_.lines.clear();
        for (const Statement& s : stmts_) {
            std::vector<std::int32_t> w;
            w.push_back(s.op->opcode);
            std::size_t before = diag_.count();
            emit_statement(s, w);
            if (diag_.count() != before) continue;
            // Sizes were computed before the operands were checked; they agree
            // for every statement that emitted without error.
            if (static_cast<std::int32_t>(w.size()) != s.size) {
                error(s.line, s.col, "internal error: size mismatch");
                continue;
            }
            std::size_t at = im_.words.size(); // s.pos unless an earlier statement failed
            im_.words.insert(im_.words.end(), w.begin(), w.end());
            im_.lines.resize(im_.words.size(), 0);
            im_.lines[at] = s.line;
        }
        if (!diag_.empty()) return;
        im_.code_words = static_cast<std::uint32_t>(im_.words.size());
        im_.words.insert(im_.words.end(), list_words_.begin(), list_words_.end());
        im_.lines.resize(im_.words.size(), 0);
        if (im_.words.size() > kMaxProgramWords)
            error(diag_.last_line(), 1,
                  "program larger than " + std::to_string(kMaxProgramWords) + " words");
        if (im_.ints.size() > kMaxVariables || im_.float_bits.size() > kMaxVariables)
            error(diag_.last_line(), 1, "too many variables and constants");
        for (const std::string& name : imports_order_)
            im_.imports.push_back(name);
        im_.source_name = file_;
    }

    std::vector<std::string> imports_order_;

    static void put(std::vector<std::int32_t>& w, const Pair& p) {
        w.push_back(p.tag);
        w.push_back(p.index);
    }

    // A statement's operand words, in the order its layout gives.
    void emit_statement(const Statement& s, std::vector<std::int32_t>& w) {
        const vm::Layout& l = *s.op->layout;
        switch (s.op->opcode) {
        case HOST_CALL: return emit_call(s, w);
        case HOST_PRINT: return emit_print(s, w);
        case HOST_END:
            // The status is optional: 0 when left out.
            if (!count(s, 0, 1)) return;
            if (s.ops.empty()) return put(w, {VM_TAG_INT, int_const(0)});
            break;
        default: {
            const std::size_t n = written_operands(l);
            if (l.repeat == vm::Repeat::None && !count(s, n, n)) return;
            if (l.repeat == vm::Repeat::ByCount && n > 0 && !count(s, n, SIZE_MAX)) return;
        }
        }
        const std::int64_t reps = repeats(s);
        std::size_t next = 0; // the next source operand
        for (const vm::OperandSpec& o : l.fixed)
            if (!emit_operand(s, o, next, reps, w)) return;
        for (std::int64_t k = 0; k < reps; ++k) {
            if (next == s.ops.size()) {
                // Padded to the largest result count of any func_call, so that a
                // return never reads past its own pairs (docs/ASSEMBLY.md).
                put(w, {VM_TAG_OTHER, 0});
                continue;
            }
            if (!emit_operand(s, l.repeated, next, reps, w)) return;
        }
        emit_operand(s, l.tail, next, reps, w);
    }

    // One operand of the layout, from the source operand `next` when it is
    // written in the source; false after an error.
    bool emit_operand(const Statement& s, const vm::OperandSpec& spec, std::size_t& next,
                      std::int64_t reps, std::vector<std::int32_t>& w) {
        using O = vm::Operand;
        Pair p;
        std::int32_t t = 0;
        switch (spec.kind) {
        case O::None: return true;
        case O::Count: w.push_back(static_cast<std::int32_t>(reps)); return true;
        case O::Word: w.push_back(s.nret); return true; // func_call's result count
        default: break;
        }
        const Operand& o = s.ops[next++];
        bool ok = false;
        switch (spec.kind) {
        case O::Read:
        case O::Typed: ok = value(s, o, p); break;
        case O::Write:
        case O::TypedOut: ok = dest(s, o, p); break;
        case O::Push: ok = value(s, o, p, true); break;
        case O::PopTo: ok = dest(s, o, p, true); break;
        case O::IntIndex:
        case O::IntIndexOut:
            if (!int_value(s, o, p, spec.kind == O::IntIndexOut)) return false;
            w.push_back(p.index);
            return true;
        case O::Target:
            if (!target(s, o, t)) return false;
            // NEXT's loop variable is its first pair (w[1]): write the position
            // from which NEXT goes on at the label.
            if (s.op->opcode == VM_OP_NEXT)
                t -= static_cast<std::int32_t>(vm::next_resume(w[1], 0));
            w.push_back(t);
            return true;
        case O::List:
            if (!list(s, o, t)) return false;
            w.push_back(t);
            return true;
        default: return false; // host operands are emitted by emit_call and emit_print
        }
        if (ok) put(w, p);
        return ok;
    }

    void emit_print(const Statement& s, std::vector<std::int32_t>& w) {
        Pair a;
        w.push_back(s.newline ? kPrintNewline : 0);
        w.push_back(static_cast<std::int32_t>(s.ops.size()));
        for (const Operand& x : s.ops) {
            if (!value(s, x, a)) return;
            w.push_back(a.is_string ? kPrintString : kPrintValue);
            put(w, a);
        }
    }

    void emit_call(const Statement& s, std::vector<std::int32_t>& w) {
        const ExportInfo* e = find_export(s.export_name);
        if (!e) {
            error(s.line, s.export_col, "unknown export '" + s.export_name + "'");
            return;
        }
        if (s.ops.size() != e->arity()) {
            error(s.line, s.export_col,
                  s.export_name + " takes " + std::to_string(e->arity()) + " argument" +
                      (e->arity() == 1 ? "" : "s") + " (" + e->param_names + "), " +
                      std::to_string(s.ops.size()) + " given");
            return;
        }
        auto [it, fresh] =
            imports_.emplace(s.export_name, static_cast<std::int32_t>(imports_order_.size()));
        if (fresh) imports_order_.push_back(s.export_name);
        w.push_back(it->second);
        w.push_back(static_cast<std::int32_t>(s.ops.size()));
        Pair r{kNoResult, 0};
        if (s.result) {
            if (e->result == 'v') {
                error(s.line, s.result->col, s.export_name + " returns nothing");
                return;
            }
            if (!dest(s, *s.result, r)) return;
            if (e->result == 'p' && r.tag != VM_TAG_INT) {
                error(s.line, s.result->col,
                      s.export_name + " returns an address, which needs an integer variable");
                return;
            }
        }
        put(w, r);
        for (std::size_t k = 0; k < s.ops.size(); ++k) {
            Pair a;
            if (!value(s, s.ops[k], a)) return;
            if (e->params[k] == 'p' && a.tag != VM_TAG_INT) {
                error(s.line, s.ops[k].col,
                      "argument " + std::to_string(k + 1) + " of " + s.export_name +
                          " is an address, which needs an integer variable");
                return;
            }
            put(w, a);
        }
    }
};

} // namespace

void emit(Parsed& parsed, Diagnostics& diag) {
    Emitter(parsed, diag).run();
}

} // namespace kx::kxasm
