#include "parser.h"

#include <bit>

#include "lexer.h"

namespace kx::kxasm {
namespace {

class Parser {
  public:
    Parser(Diagnostics& diag, Parsed& out)
        : diag_(diag), im_(out.image), stmts_(out.statements), symbols_(out.symbols),
          labels_(out.labels) {}

    // ---- Parsing -----------------------------------------------------------------

    struct Cursor {
        const std::vector<Token>& t;
        std::size_t k = 0;
        bool done() const { return k >= t.size(); }
        const Token* peek() const { return done() ? nullptr : &t[k]; }
        bool punct(char c) const {
            return !done() && t[k].kind == Token::Punct && t[k].text[0] == c;
        }
        int col() const { return done() ? (t.empty() ? 1 : t.back().col + 1) : t[k].col; }
    };

    void parse_line(std::string_view text, int line) {
        std::vector<Token> toks;
        if (!lex(text, line, toks)) return;
        Cursor c{toks};
        // Labels: "name:" (several may precede a statement).
        while (c.k + 1 < toks.size() && toks[c.k].kind == Token::Ident &&
               toks[c.k + 1].kind == Token::Punct && toks[c.k + 1].text == ":") {
            define_label(toks[c.k], line);
            c.k += 2;
        }
        if (c.done()) return;
        const Token& first = *c.peek();
        if (first.kind != Token::Ident) {
            error(line, first.col, "expected a mnemonic, a declaration or a label");
            return;
        }
        const std::string& w = first.text;
        if (w == "int" || w == "float" || w == "string") {
            ++c.k;
            return declare(c, line, w);
        }
        if (w == "const") return declare_const(c, line);
        if (w == "list") return declare_list(c, line);
        if (w == ".stack") return stack_directive(c, line);
        // r = call Name(...)
        if (c.k + 1 < toks.size() && toks[c.k + 1].kind == Token::Punct &&
            toks[c.k + 1].text == "=") {
            Operand dest{Operand::Name, first.text, 0, 0, {}, first.col};
            c.k += 2;
            if (c.done() || c.peek()->kind != Token::Ident || c.peek()->text != "call") {
                error(line, c.col(), "expected 'call' after '=' (assignments are made with move)");
                return;
            }
            ++c.k;
            return parse_call(c, line, first.col, dest);
        }
        if (w == "call") {
            ++c.k;
            return parse_call(c, line, first.col, std::nullopt);
        }
        Statement s;
        s.line = line;
        s.col = first.col;
        if (w == "write") {
            s.op = find_mnemonic("print");
            s.newline = false;
        } else {
            s.op = find_mnemonic(w);
        }
        if (!s.op) {
            error(line, first.col, "unknown mnemonic '" + w + "'");
            return;
        }
        ++c.k;
        if (s.op->opcode == VM_OP_CALL) {
            // func_call nret, args..., target
            const Token* n = c.peek();
            if (!n || n->kind != Token::Int) {
                error(line, c.col(), "func_call needs its result count first (an integer)");
                return;
            }
            if (n->i < 0) {
                error(line, n->col, "a result count cannot be negative");
                return;
            }
            s.nret = static_cast<std::int32_t>(n->i);
            ++c.k;
            if (!c.done() && !c.punct(',')) {
                error(line, c.col(), "expected ','");
                return;
            }
            if (!c.done()) ++c.k;
        }
        if (!operand_list(c, line, s.ops, false)) return;
        if (!c.done()) {
            error(line, c.col(), "unexpected '" + c.peek()->text + "'");
            return;
        }
        stmts_.push_back(std::move(s));
    }

    // Comma-separated operands up to the end of the line (or a ')' when
    // `in_parens`).
    bool operand_list(Cursor& c, int line, std::vector<Operand>& out, bool in_parens) {
        if (c.done() || (in_parens && c.punct(')'))) return true;
        for (;;) {
            Operand o;
            if (!operand(c, line, o)) return false;
            out.push_back(std::move(o));
            if (c.done() || (in_parens && c.punct(')'))) return true;
            if (!c.punct(',')) {
                error(line, c.col(), "expected ','");
                return false;
            }
            ++c.k;
            if (c.done()) {
                error(line, c.col(), "expected an operand after ','");
                return false;
            }
        }
    }

    bool operand(Cursor& c, int line, Operand& o) {
        const Token* t = c.peek();
        if (!t) {
            error(line, c.col(), "expected an operand");
            return false;
        }
        o.col = t->col;
        switch (t->kind) {
        case Token::Ident:
            o.kind = t->text == "other" ? Operand::Other : Operand::Name;
            o.text = t->text;
            break;
        case Token::Int:
            o.kind = Operand::IntLit;
            o.i = static_cast<std::int32_t>(t->i);
            break;
        case Token::Float:
            o.kind = Operand::FloatLit;
            o.fbits = std::bit_cast<std::uint32_t>(t->f);
            break;
        case Token::Str:
            o.kind = Operand::StrLit;
            o.text = t->text;
            break;
        case Token::Punct:
            if (t->text == "[") {
                ++c.k;
                o.kind = Operand::ListLit;
                while (!c.punct(']')) {
                    Operand item;
                    if (!operand(c, line, item)) return false;
                    if (item.kind == Operand::ListLit) {
                        error(line, item.col, "lists cannot be nested");
                        return false;
                    }
                    o.items.push_back(std::move(item));
                    if (c.punct(','))
                        ++c.k;
                    else if (!c.punct(']')) {
                        error(line, c.col(), "expected ',' or ']'");
                        return false;
                    }
                }
                ++c.k;
                return true;
            }
            error(line, t->col, "expected an operand, found '" + t->text + "'");
            return false;
        }
        ++c.k;
        return true;
    }

    void parse_call(Cursor& c, int line, int col, std::optional<Operand> dest) {
        Statement s;
        s.op = find_mnemonic("call");
        s.line = line;
        s.col = col;
        s.result = std::move(dest);
        const Token* name = c.peek();
        if (!name || name->kind != Token::Ident) {
            error(line, c.col(), "expected the name of an export after 'call'");
            return;
        }
        s.export_name = name->text;
        s.export_col = name->col;
        ++c.k;
        if (!c.punct('(')) {
            error(line, c.col(), "expected '(' after " + s.export_name);
            return;
        }
        ++c.k;
        if (!operand_list(c, line, s.ops, true)) return;
        if (!c.punct(')')) {
            error(line, c.col(), "expected ')'");
            return;
        }
        ++c.k;
        if (!c.done()) {
            error(line, c.col(), "unexpected '" + c.peek()->text + "'");
            return;
        }
        stmts_.push_back(std::move(s));
    }

    void define_label(const Token& t, int line) {
        auto [it, fresh] =
            labels_.emplace(t.text, Label{static_cast<std::int32_t>(stmts_.size()), line});
        if (!fresh)
            error(line, t.col,
                  "duplicate label '" + t.text + "' (first defined on line " +
                      std::to_string(it->second.line) + ")");
    }

    bool new_symbol(const Token& name, int line, Symbol sym) {
        if (find_mnemonic(name.text) || name.text == "other" || name.text == "write") {
            error(line, name.col, "'" + name.text + "' is reserved and cannot name a variable");
            return false;
        }
        sym.line = line;
        auto [it, fresh] = symbols_.emplace(name.text, std::move(sym));
        if (!fresh) {
            error(line, name.col,
                  "duplicate name '" + name.text + "' (first declared on line " +
                      std::to_string(it->second.line) + ")");
            return false;
        }
        return true;
    }

    // int a, b = 5 / float x = 1.5 / string s = "text"
    void declare(Cursor& c, int line, const std::string& type) {
        if (c.done()) {
            error(line, c.col(), "expected a variable name");
            return;
        }
        for (;;) {
            const Token* name = c.peek();
            if (!name || name->kind != Token::Ident) {
                error(line, c.col(), "expected a variable name");
                return;
            }
            ++c.k;
            std::int32_t ival = 0;
            std::uint32_t fbits = 0;
            std::optional<std::string> text;
            if (type == "string") text = "";
            if (c.punct('=')) {
                ++c.k;
                const Token* v = c.peek();
                if (!v) {
                    error(line, c.col(), "expected a value after '='");
                    return;
                }
                ++c.k;
                if (type == "int" && v->kind == Token::Int)
                    ival = static_cast<std::int32_t>(v->i);
                else if (type == "float" && (v->kind == Token::Int || v->kind == Token::Float))
                    fbits = std::bit_cast<std::uint32_t>(
                        v->kind == Token::Int ? static_cast<float>(v->i) : v->f);
                else if (type == "string" && v->kind == Token::Str)
                    text = v->text;
                else if (type == "string" && v->kind == Token::Int && v->i == 0)
                    text.reset(); // handle 0: no bank
                else {
                    error(line, v->col,
                          type == "int"     ? "an integer variable needs an integer value"
                          : type == "float" ? "a float variable needs a number"
                                            : "a string variable needs a string (or 0 for none)");
                    return;
                }
            }
            Symbol sym;
            sym.is_string = type == "string";
            if (type == "float") {
                sym.tag = VM_TAG_FLOAT;
                sym.index = static_cast<std::int32_t>(im_.float_bits.size());
            } else {
                sym.tag = VM_TAG_INT;
                sym.index = static_cast<std::int32_t>(im_.ints.size());
            }
            if (new_symbol(*name, line, sym)) {
                if (type == "float")
                    im_.float_bits.push_back(fbits);
                else
                    im_.ints.push_back(ival);
                if (text) im_.strings.push_back({sym.index, *text});
                if (im_.ints.size() > kMaxVariables || im_.float_bits.size() > kMaxVariables) {
                    error(line, name->col, "too many variables");
                    return;
                }
            }
            if (c.done()) break;
            if (!c.punct(',')) {
                error(line, c.col(), "expected ',' or '='");
                return;
            }
            ++c.k;
        }
    }

    // The "NAME =" that opens a const or list declaration, after its keyword;
    // null (and an error reported) when it is not there.
    const Token* declared_name(Cursor& c, int line, const char* what) {
        ++c.k;
        const Token* name = c.peek();
        if (!name || name->kind != Token::Ident) {
            error(line, c.col(), std::string("expected a ") + what + " name");
            return nullptr;
        }
        ++c.k;
        if (!c.punct('=')) {
            error(line, c.col(), "expected '='");
            return nullptr;
        }
        ++c.k;
        return name;
    }

    // const NAME = value
    void declare_const(Cursor& c, int line) {
        const Token* name = declared_name(c, line, "constant");
        if (!name) return;
        Operand v;
        if (!operand(c, line, v)) return;
        if (v.kind != Operand::IntLit && v.kind != Operand::FloatLit && v.kind != Operand::StrLit) {
            error(line, v.col, "a constant needs a number or a string");
            return;
        }
        if (!c.done()) {
            error(line, c.col(), "unexpected '" + c.peek()->text + "'");
            return;
        }
        Symbol sym;
        sym.kind = Symbol::Const;
        sym.value = v;
        new_symbol(*name, line, sym);
    }

    // list NAME = a, b, ...
    void declare_list(Cursor& c, int line) {
        const Token* name = declared_name(c, line, "list");
        if (!name) return;
        Symbol sym;
        sym.kind = Symbol::List;
        if (!operand_list(c, line, sym.items, false)) return;
        new_symbol(*name, line, sym);
    }

    void stack_directive(Cursor& c, int line) {
        ++c.k;
        const Token* n = c.peek();
        if (!n || n->kind != Token::Int) {
            error(line, c.col(), ".stack needs a number of entries");
            return;
        }
        if (n->i < 0 || n->i > std::int64_t(kMaxStack)) {
            error(line, n->col,
                  "value " + n->text + " does not fit: the stack holds 0 to " +
                      std::to_string(kMaxStack) + " entries");
            return;
        }
        im_.stack = static_cast<std::uint32_t>(n->i);
        ++c.k;
        if (!c.done()) error(line, c.col(), "unexpected '" + c.peek()->text + "'");
    }

  private:
    Diagnostics& diag_;
    Image& im_;
    std::vector<Statement>& stmts_;
    std::unordered_map<std::string, Symbol>& symbols_;
    std::unordered_map<std::string, Label>& labels_;

    void error(int line, int col, const std::string& message) { diag_.error(line, col, message); }
    bool lex(std::string_view s, int line, std::vector<Token>& out) {
        return lex_line(s, line, diag_, out);
    }
};

} // namespace

Parsed parse(std::string_view source, Diagnostics& diag) {
    Parsed out;
    Parser parser(diag, out);
    int line_no = 0;
    std::size_t at = 0;
    while (at <= source.size()) {
        std::size_t e = source.find('\n', at);
        if (e == std::string_view::npos) e = source.size();
        ++line_no;
        parser.parse_line(source.substr(at, e - at), line_no);
        at = e + 1;
    }
    out.total_lines = line_no;
    return out;
}

} // namespace kx::kxasm
