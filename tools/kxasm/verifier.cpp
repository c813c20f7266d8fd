#include "verifier.h"

#include <algorithm>

#include "exports.h"
#include "opcodes.h"

namespace kx::kxasm {
namespace {

// How an instruction uses a (tag, index) operand.
enum class Use {
    Value, // read or written through the tables: tag 1069 the integer table,
           // any other tag the float table (1071 accepted, read as a float)
    Stack, // pushed or popped by kind: 1069 and 1070 name variables, 1071 none
    Typed, // an integer or float variable only (MOVE's source, host operands)
    Int,   // an integer variable only
};

class Verifier {
  public:
    explicit Verifier(const Image& im)
        : im_(im), words_(im.words), code_(static_cast<std::int64_t>(im.code_words)),
          ints_(static_cast<std::int64_t>(im.ints.size())),
          floats_(static_cast<std::int64_t>(im.float_bits.size())) {}

    Verification run() {
        if (code_ > static_cast<std::int64_t>(words_.size())) {
            fail("code size " + std::to_string(code_) + " exceeds the program size " +
                 std::to_string(words_.size()));
            return std::move(v_);
        }
        check_tables();
        decode_all();
        check_targets();
        check_returns();
        v_.ok = v_.errors.empty() && dropped_ == 0;
        if (dropped_ > 0) v_.errors.push_back(std::to_string(dropped_) + " more errors not shown");
        return std::move(v_);
    }

  private:
    const Image& im_;
    const std::vector<std::int32_t>& words_;
    std::int64_t code_, ints_, floats_;
    Verification v_;
    std::size_t dropped_ = 0;

    std::vector<bool> starts_;
    struct Target {
        std::int64_t at, target;
        std::int64_t to; // where execution goes on: target, or vm::next_resume() for NEXT
    };
    std::vector<Target> targets_;
    struct ListRef {
        std::int64_t at, position;
    };
    std::vector<ListRef> lists_;
    std::vector<std::int64_t> returns_; // FUNC_RETURN positions and their pair counts
    std::vector<std::int64_t> return_pairs_;
    std::int64_t max_nret_ = 0, max_nret_at_ = -1;

    std::int64_t pos_ = 0; // instruction being decoded
    const char* name_ = "";

    void fail(const std::string& message) {
        if (v_.errors.size() >= kMaxVerifyErrors) {
            ++dropped_;
            return;
        }
        v_.errors.push_back(message);
    }
    std::string where(std::int64_t at) const {
        std::string s = "at " + std::to_string(at);
        if (at >= 0 && static_cast<std::size_t>(at) < im_.lines.size() &&
            im_.lines[static_cast<std::size_t>(at)] > 0)
            s += " (line " + std::to_string(im_.lines[static_cast<std::size_t>(at)]) + ")";
        return s;
    }
    void bad(const std::string& message) { fail(where(pos_) + ", " + name_ + ": " + message); }

    std::int32_t word(std::int64_t k) const { return words_[static_cast<std::size_t>(k)]; }

    void check_tables() {
        for (std::size_t k = 0; k < im_.strings.size(); ++k) {
            std::int32_t var = im_.strings[k].variable;
            if (var < 0 || var >= ints_)
                fail("string " + std::to_string(k) + ": integer variable " + std::to_string(var) +
                     " is outside the integer table (" + std::to_string(ints_) + ")");
        }
        for (std::size_t k = 0; k < im_.imports.size(); ++k)
            if (!find_export(im_.imports[k]))
                fail("import " + std::to_string(k) + ": unknown export '" + im_.imports[k] + "'");
        if (code_ == 0) fail("the program has no instructions");
    }

    // One operand pair at word k.
    void pair(std::int64_t k, Use use, const char* what) {
        std::int32_t tag = word(k), index = word(k + 1);
        auto out_of = [&](const char* table, std::int64_t size) {
            bad(std::string(what) + ": index " + std::to_string(index) + " is outside the " +
                table + " table (" + std::to_string(size) + ")");
        };
        if (!is_operand_tag(tag) || (use == Use::Typed && tag == VM_TAG_OTHER) ||
            (use == Use::Int && tag != VM_TAG_INT)) {
            const char* want = use == Use::Int     ? "an integer variable"
                               : use == Use::Typed ? "an integer or float variable"
                                                   : "a variable tag (1069, 1070 or 1071)";
            bad(std::string(what) + ": tag " + std::to_string(tag) + " where " + want +
                " is needed");
            return;
        }
        if (tag == VM_TAG_INT) {
            if (index < 0 || index >= ints_) out_of("integer", ints_);
        } else if (tag == VM_TAG_FLOAT || use == Use::Value) {
            if (index < 0 || index >= floats_) out_of("float", floats_);
        }
    }
    void int_index(std::int64_t k, const char* what) {
        std::int32_t index = word(k);
        if (index < 0 || index >= ints_)
            bad(std::string(what) + ": index " + std::to_string(index) +
                " is outside the integer table (" + std::to_string(ints_) + ")");
    }

    // Whether words [pos, pos + n) lie inside the code.
    bool fits(std::int64_t n) {
        if (pos_ + n <= code_) return true;
        bad("the instruction runs past the end of the code (" + std::to_string(code_) + " words)");
        return false;
    }
    // A count word that must not be negative.
    bool count_at(std::int64_t k, std::int32_t& n, const char* what) {
        if (!fits(k - pos_ + 1)) return false;
        n = word(k);
        if (n < 0) {
            bad(std::string(what) + " " + std::to_string(n) + " is negative");
            return false;
        }
        return true;
    }

    void decode_all() {
        starts_.assign(static_cast<std::size_t>(code_), false);
        std::int32_t last_op = 0;
        pos_ = 0;
        while (pos_ < code_) {
            starts_[static_cast<std::size_t>(pos_)] = true;
            std::int32_t op = word(pos_);
            last_op = op;
            std::int64_t len = decode(op);
            if (len <= 0) return; // cannot tell where the next instruction starts
            pos_ += len;
        }
        if (code_ > 0 && !ends_flow(last_op))
            fail("the code ends with an instruction that can continue past it, into the lists or "
                 "beyond program memory (end with goto, return, func_return or end)");
    }

    // Checks the instruction at pos_ as its layout describes it; its length, or 0
    // when it cannot be decoded.
    std::int64_t decode(std::int32_t op) {
        const OpInfo* info = find_opcode(op);
        if (!info) {
            name_ = "opcode";
            if (op >= HOST_RESERVED_FIRST && op <= HOST_RESERVED_LAST)
                bad(std::to_string(op) +
                    " is reserved for further screen, window and frame instructions, which "
                    "this host does not carry out");
            else
                bad("unknown opcode " + std::to_string(op));
            return 0;
        }
        name_ = info->mnemonic;
        const vm::Layout& l = *info->layout;
        if (l.repeat == vm::Repeat::ByCaller) return decode_func_return();
        const std::int64_t p = pos_;
        if (!fits(1 + l.fixed_words())) return 0;
        std::int64_t k = p + 1, n = 0;
        for (const vm::OperandSpec& o : l.fixed) {
            if (o.kind == vm::Operand::Count) {
                std::int32_t c = 0;
                if (!count_at(k, c, o.name)) return 0;
                n = c;
            } else {
                operand(op, o, k);
            }
            k += vm::width(o.kind);
        }
        const std::int64_t length = l.length(n);
        if (!fits(length)) return 0;
        for (std::int64_t r = 0; r < n; ++r, k += vm::width(l.repeated.kind))
            operand(op, l.repeated, k);
        operand(op, l.tail, k);
        if (!is_interpreter_opcode(op)) v_.host_positions.push_back(static_cast<std::int32_t>(p));
        if (op == HOST_CALL) decode_call(n);
        return length;
    }

    // One operand at word k, of the instruction op at pos_.
    void operand(std::int32_t op, const vm::OperandSpec& o, std::int64_t k) {
        using O = vm::Operand;
        switch (o.kind) {
        case O::Read:
        case O::Write: pair(k, Use::Value, o.name); return;
        case O::Typed:
        case O::TypedOut: pair(k, Use::Typed, o.name); return;
        case O::Push:
        case O::PopTo: pair(k, Use::Stack, o.name); return;
        case O::IntIndex:
        case O::IntIndexOut: int_index(k, o.name); return;
        case O::Target: {
            std::int32_t t = word(k);
            std::int64_t to = t;
            if (op == VM_OP_NEXT)
                to = static_cast<std::int32_t>(
                    vm::next_resume(word(pos_ + 1), static_cast<std::uint32_t>(t)));
            targets_.push_back({pos_, t, to});
            return;
        }
        case O::List: lists_.push_back({pos_, word(k)}); return;
        case O::Word:
            if (op == VM_OP_CALL) {
                std::int32_t nret = word(k);
                if (nret < 0) bad("result count " + std::to_string(nret) + " is negative");
                if (nret > vm::kMaxResultCount)
                    bad("result count " + std::to_string(nret) + " is above " +
                        std::to_string(vm::kMaxResultCount));
                if (nret > max_nret_) max_nret_ = nret, max_nret_at_ = pos_;
            } else if (op == HOST_PRINT && (word(k) & ~kPrintNewline)) {
                bad("unknown flags " + std::to_string(word(k)));
            }
            return;
        case O::PrintItem: {
            std::int32_t form = word(k);
            if (form == kPrintString)
                pair(k + 1, Use::Int, "string item");
            else if (form == kPrintValue)
                pair(k + 1, Use::Typed, o.name);
            else
                bad("unknown item form " + std::to_string(form));
            return;
        }
        case O::None:
        case O::Count:
        case O::Result:
        case O::Argument: return; // counts are checked by decode(), the rest by decode_call()
        }
    }

    // FUNC_RETURN's pairs: the words after it while they hold operand tags (no
    // opcode is an operand tag, so the next instruction cannot be taken for a
    // pair). How many it needs depends on its callers (check_returns()).
    std::int64_t decode_func_return() {
        const std::int64_t p = pos_;
        std::int64_t k = p + 1;
        while (k + 1 < code_ && is_operand_tag(word(k))) {
            pair(k, Use::Stack, "result");
            k += 2;
        }
        returns_.push_back(p);
        return_pairs_.push_back((k - p - 1) / 2);
        // The interpreter reads pairs for as long as they carry operand tags and
        // its caller's count asks, which may be any return address: a return
        // at the end of the code reads on into the lists while they look like
        // pairs, so those must be valid pairs too.
        const std::int64_t total = static_cast<std::int64_t>(words_.size());
        for (std::int64_t j = k; k == code_ && j + 1 < total && is_operand_tag(word(j)); j += 2)
            pair(j, Use::Stack, "result (in the lists after the code)");
        return k - p;
    }

    // A host call's import, result and arguments; its structure is checked.
    void decode_call(std::int64_t nargs) {
        const std::int64_t p = pos_;
        std::int32_t import = word(p + 1);
        if (import < 0 || static_cast<std::size_t>(import) >= im_.imports.size()) {
            bad("import " + std::to_string(import) + " is outside the import table (" +
                std::to_string(im_.imports.size()) + ")");
            return;
        }
        const std::string& name = im_.imports[static_cast<std::size_t>(import)];
        const ExportInfo* e = find_export(name);
        if (!e) return; // reported with the imports
        if (static_cast<std::size_t>(nargs) != e->arity())
            bad(name + " takes " + std::to_string(e->arity()) +
                (e->arity() == 1 ? " argument, " : " arguments, ") + std::to_string(nargs) +
                " given");
        std::int32_t rtag = word(p + 3);
        if (rtag == kNoResult) {
            if (word(p + 4) != 0)
                bad("no result, but a result index " + std::to_string(word(p + 4)));
        } else if (e->result == 'v') {
            bad(name + " returns nothing, but a result variable is given");
        } else {
            pair(p + 3, e->result == 'p' ? Use::Int : Use::Typed, "result");
        }
        for (std::int64_t k = 0; k < nargs; ++k) {
            bool address = static_cast<std::size_t>(k) < e->arity() && e->params[k] == 'p';
            pair(p + 5 + 2 * k, address ? Use::Int : Use::Typed, "argument");
        }
    }

    bool is_start(std::int64_t at) const {
        return at >= 0 && at < code_ && starts_[static_cast<std::size_t>(at)];
    }

    void check_targets() {
        for (const Target& t : targets_) {
            const std::int64_t to = t.to;
            if (!is_start(to)) {
                const OpInfo* info = find_opcode(word(t.at));
                fail(where(t.at) + ", " + (info ? info->mnemonic : "?") + ": target " +
                     std::to_string(t.target) + (to != t.target ? " (+1)" : "") +
                     (to >= 0 && to < code_ ? " is not the start of an instruction"
                                            : " is outside the code"));
            }
        }
        const std::int64_t total = static_cast<std::int64_t>(words_.size());
        for (const ListRef& l : lists_) {
            const OpInfo* info = find_opcode(word(l.at));
            std::string head = where(l.at) + ", " + (info ? info->mnemonic : "?") + ": list at " +
                               std::to_string(l.position);
            if (l.position < 0 || l.position >= total) {
                fail(head + " is outside program memory (" + std::to_string(total) + " words)");
                continue;
            }
            std::int32_t n = word(l.position);
            if (n <= 0) continue; // an empty list does nothing
            if (l.position + 1 + 2 * std::int64_t(n) > total) {
                fail(head + ": its " + std::to_string(n) + " pairs run past program memory");
                continue;
            }
            std::int64_t saved = pos_;
            pos_ = l.at;
            name_ = info ? info->mnemonic : "?";
            for (std::int64_t k = 0; k < n; ++k)
                pair(l.position + 1 + 2 * k, Use::Stack, "list pair");
            pos_ = saved;
        }
    }

    void check_returns() {
        for (std::size_t k = 0; k < returns_.size(); ++k)
            if (return_pairs_[k] < max_nret_)
                fail(where(returns_[k]) + ", func_return: " + std::to_string(return_pairs_[k]) +
                     " result pairs, but the func_call " + where(max_nret_at_) + " expects " +
                     std::to_string(max_nret_) +
                     " (a return reads as many pairs as its caller asked for)");
    }
};

} // namespace

Verification verify(const Image& image) {
    return Verifier(image).run();
}

} // namespace kx::kxasm
