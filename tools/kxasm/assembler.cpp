// The assembler: one statement per line, read into statements and symbols
// first, then laid out (sizes, label positions, lists after the code) and
// finally emitted. See docs/ASSEMBLY.md.
#include "assembler.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <unordered_map>

#include "exports.h"
#include "opcodes.h"

namespace kx::kxasm {

std::string Diagnostic::text() const {
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": error: " + message;
}

namespace {

// ---- Tokens -----------------------------------------------------------------

struct Token {
    enum Kind { Ident, Int, Float, Str, Punct } kind;
    std::string text; // identifier, punctuation, or a string literal's bytes
    std::int64_t i = 0;
    float f = 0;
    int col = 0;
};

bool ident_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}
bool ident_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// ---- Operands and statements ---------------------------------------------------

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

struct Pair {
    std::int32_t tag = 0, index = 0;
    bool is_string = false;
};

class Assembler {
  public:
    Assembler(std::string_view src, const std::string& file) : src_(src), file_(file) {}

    AssemblyResult run() {
        int line_no = 0;
        std::size_t at = 0;
        while (at <= src_.size()) {
            std::size_t e = src_.find('\n', at);
            if (e == std::string_view::npos) e = src_.size();
            ++line_no;
            parse_line(src_.substr(at, e - at), line_no);
            at = e + 1;
        }
        total_lines_ = line_no;
        if (!full()) layout();
        if (!full()) emit();
        AssemblyResult r;
        if (dropped_ > 0)
            errors_.push_back(
                {file_, last_line_, 1, std::to_string(dropped_) + " more errors not shown"});
        r.errors = std::move(errors_);
        r.ok = r.errors.empty();
        if (r.ok) r.image = std::move(im_);
        return r;
    }

  private:
    std::string_view src_;
    std::string file_;
    std::vector<Diagnostic> errors_;
    std::size_t dropped_ = 0;
    int last_line_ = 0;

    Image im_;
    std::vector<Statement> stmts_;
    std::unordered_map<std::string, Symbol> symbols_;
    std::unordered_map<std::string, Label> labels_;
    std::map<std::int32_t, std::int32_t> int_consts_;
    std::map<std::uint32_t, std::int32_t> float_consts_;
    std::map<std::string, std::int32_t> string_consts_;
    std::map<std::string, std::int32_t> imports_;
    // Lists laid out after the code: contents (tag, index words) -> position.
    std::map<std::vector<std::int32_t>, std::int32_t> lists_;
    std::vector<std::int32_t> list_words_;
    std::int32_t code_end_ = 0;
    std::int32_t max_nret_ = 0;
    int total_lines_ = 0;

    bool full() const { return errors_.size() >= kMaxErrors; }

    void error(int line, int col, const std::string& message) {
        last_line_ = line;
        if (full()) {
            ++dropped_;
            return;
        }
        errors_.push_back({file_, line, col, message});
    }

    // ---- Lexing ----------------------------------------------------------------

    bool lex(std::string_view s, int line, std::vector<Token>& out) {
        std::size_t k = 0;
        while (k < s.size()) {
            char c = s[k];
            int col = static_cast<int>(k) + 1;
            if (c == ';') break;
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++k;
                continue;
            }
            if (ident_start(c)) {
                std::size_t b = k;
                while (k < s.size() && ident_char(s[k]))
                    ++k;
                out.push_back({Token::Ident, std::string(s.substr(b, k - b)), 0, 0, col});
                continue;
            }
            bool sign = (c == '-' || c == '+') && k + 1 < s.size() &&
                        std::isdigit(static_cast<unsigned char>(s[k + 1]));
            if (std::isdigit(static_cast<unsigned char>(c)) || sign) {
                if (!lex_number(s, k, line, out)) return false;
                continue;
            }
            if (c == '"') {
                if (!lex_string(s, k, line, out)) return false;
                continue;
            }
            if (c == ',' || c == ':' || c == '=' || c == '(' || c == ')' || c == '[' || c == ']') {
                out.push_back({Token::Punct, std::string(1, c), 0, 0, col});
                ++k;
                continue;
            }
            error(line, col, std::string("unexpected character '") + c + "'");
            return false;
        }
        return true;
    }

    bool lex_number(std::string_view s, std::size_t& k, int line, std::vector<Token>& out) {
        std::size_t b = k;
        int col = static_cast<int>(k) + 1;
        bool negative = s[k] == '-';
        if (s[k] == '-' || s[k] == '+') ++k;
        std::size_t digits = k;
        bool hex = k + 1 < s.size() && s[k] == '0' && (s[k + 1] == 'x' || s[k + 1] == 'X');
        bool is_float = false;
        if (hex) {
            k += 2;
            while (k < s.size() && std::isxdigit(static_cast<unsigned char>(s[k])))
                ++k;
        } else {
            while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
                ++k;
            if (k < s.size() && s[k] == '.') {
                is_float = true;
                ++k;
                while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
                    ++k;
            }
            if (k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
                std::size_t e = k + 1;
                if (e < s.size() && (s[e] == '-' || s[e] == '+')) ++e;
                if (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) {
                    is_float = true;
                    k = e;
                    while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
                        ++k;
                }
            }
        }
        std::string text(s.substr(b, k - b));
        if (k < s.size() && ident_char(s[k])) {
            while (k < s.size() && ident_char(s[k]))
                text += s[k++];
            error(line, col, "malformed number '" + text + "'");
            return false;
        }
        if (is_float) {
            double v = std::strtod(text.c_str(), nullptr);
            if (!std::isfinite(v) || std::fabs(v) > double(FLT_MAX)) {
                error(line, col, "value " + text + " does not fit in a 32-bit float");
                return false;
            }
            Token t{Token::Float, text, 0, static_cast<float>(v), col};
            out.push_back(t);
            return true;
        }
        std::string body(s.substr(hex ? digits + 2 : digits, k - (hex ? digits + 2 : digits)));
        if (body.empty()) {
            error(line, col, "malformed number '" + text + "'");
            return false;
        }
        // Accumulate with a cap so that long digit strings cannot overflow.
        std::uint64_t v = 0;
        bool big = false;
        for (char d : body) {
            v = v * (hex ? 16 : 10) +
                static_cast<std::uint64_t>(std::isdigit(static_cast<unsigned char>(d))
                                               ? d - '0'
                                               : std::tolower(static_cast<unsigned char>(d)) - 'a' +
                                                     10);
            if (v > 0xFFFFFFFFull) big = true, v = 0xFFFFFFFFull + 1;
        }
        // Decimal values must fit a signed 32-bit integer; hexadecimal ones give
        // the 32 bits written (0xFFFFFFFF is -1).
        std::int64_t value =
            negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
        big = big || value < INT32_MIN || value > (hex ? std::int64_t(UINT32_MAX) : INT32_MAX);
        if (big) {
            error(line, col, "value " + text + " does not fit in a 32-bit integer");
            return false;
        }
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        out.push_back({Token::Int, text, value, 0, col});
        return true;
    }

    bool lex_string(std::string_view s, std::size_t& k, int line, std::vector<Token>& out) {
        int col = static_cast<int>(k) + 1;
        std::string bytes;
        ++k;
        while (k < s.size() && s[k] != '"') {
            char c = s[k++];
            if (c != '\\') {
                bytes += c;
                continue;
            }
            if (k >= s.size()) break;
            char e = s[k++];
            switch (e) {
            case 'n': bytes += '\n'; break;
            case 't': bytes += '\t'; break;
            case 'r': bytes += '\r'; break;
            case '0': bytes += '\0'; break;
            case '\\': bytes += '\\'; break;
            case '"': bytes += '"'; break;
            case 'x': {
                int v = 0, n = 0;
                while (n < 2 && k < s.size() && std::isxdigit(static_cast<unsigned char>(s[k]))) {
                    char d = static_cast<char>(std::tolower(static_cast<unsigned char>(s[k++])));
                    v = v * 16 +
                        (std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : d - 'a' + 10);
                    ++n;
                }
                if (n == 0) {
                    error(line, static_cast<int>(k), "\\x needs hexadecimal digits");
                    return false;
                }
                bytes += static_cast<char>(v);
                break;
            }
            default:
                error(line, static_cast<int>(k) - 1, std::string("unknown escape '\\") + e + "'");
                return false;
            }
        }
        if (k >= s.size()) {
            error(line, col, "unterminated string");
            return false;
        }
        ++k;
        if (bytes.size() > kMaxStringBytes) {
            error(line, col, "string longer than " + std::to_string(kMaxStringBytes) + " bytes");
            return false;
        }
        out.push_back({Token::Str, bytes, 0, 0, col});
        return true;
    }

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
        if (s.op->form == Form::Call) {
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

    // ---- Layout --------------------------------------------------------------------

    std::int64_t size_of(const Statement& s) const {
        std::int64_t n = static_cast<std::int64_t>(s.ops.size());
        switch (s.op->form) {
        case Form::Move:
        case Form::Unary: return 5;
        case Form::Step: return 3;
        case Form::Arith: return 7;
        case Form::ArithInt: return 4;
        case Form::Jump: return 2;
        case Form::Bare: return 1;
        case Form::TestJump: return 4;
        case Form::CompareJump: return 6;
        case Form::PastLimitJump: return 8;
        case Form::Next: return 6;
        case Form::OnGoto: return 3 + n; // tag, index, n, n - 1 targets
        case Form::Push:
        case Form::Pop: return 3;
        case Form::PushN:
        case Form::PopN: return 2 + 2 * n;
        case Form::Call: return 2 + 2 * n; // nargs, nret, n - 1 pairs, target
        case Form::FuncReturn: return 1 + 2 * std::max<std::int64_t>(n, max_nret_);
        case Form::List: return 2;
        case Form::HostEnd:
        case Form::HostClock: return 3;
        case Form::HostCall: return 5 + 2 * n;
        case Form::HostPrint: return 3 + 3 * n;
        }
        return 1;
    }

    void layout() {
        for (const Statement& s : stmts_)
            if (s.op->form == Form::Call) max_nret_ = std::max(max_nret_, s.nret);
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
            std::size_t before = errors_.size() + dropped_;
            emit_statement(s, w);
            if (errors_.size() + dropped_ != before) continue;
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
        if (!errors_.empty()) return;
        im_.code_words = static_cast<std::uint32_t>(im_.words.size());
        im_.words.insert(im_.words.end(), list_words_.begin(), list_words_.end());
        im_.lines.resize(im_.words.size(), 0);
        if (im_.words.size() > kMaxProgramWords)
            error(last_line_, 1,
                  "program larger than " + std::to_string(kMaxProgramWords) + " words");
        if (im_.ints.size() > kMaxVariables || im_.float_bits.size() > kMaxVariables)
            error(last_line_, 1, "too many variables and constants");
        for (const std::string& name : imports_order_)
            im_.imports.push_back(name);
        im_.source_name = file_;
    }

    std::vector<std::string> imports_order_;

    static void put(std::vector<std::int32_t>& w, const Pair& p) {
        w.push_back(p.tag);
        w.push_back(p.index);
    }

    void emit_statement(const Statement& s, std::vector<std::int32_t>& w) {
        Pair a, b, d, v;
        std::int32_t t = 0;
        const auto& o = s.ops;
        switch (s.op->form) {
        case Form::Move:
        case Form::Unary:
            if (count(s, 2, 2) && dest(s, o[0], d) && value(s, o[1], a)) put(w, d), put(w, a);
            return;
        case Form::Step:
            if (count(s, 1, 1) && dest(s, o[0], d)) put(w, d);
            return;
        case Form::Arith:
            if (count(s, 3, 3) && dest(s, o[0], d) && value(s, o[1], a) && value(s, o[2], b))
                put(w, d), put(w, a), put(w, b);
            return;
        case Form::ArithInt:
            // Documented order: A, B, D (indexes of integer variables).
            if (count(s, 3, 3) && int_value(s, o[0], a, false) && int_value(s, o[1], b, false) &&
                int_value(s, o[2], d, true)) {
                w.push_back(a.index);
                w.push_back(b.index);
                w.push_back(d.index);
            }
            return;
        case Form::Jump:
            if (count(s, 1, 1) && target(s, o[0], t)) w.push_back(t);
            return;
        case Form::Bare: count(s, 0, 0); return;
        case Form::TestJump:
            if (count(s, 2, 2) && value(s, o[0], a) && target(s, o[1], t))
                put(w, a), w.push_back(t);
            return;
        case Form::CompareJump:
            if (count(s, 3, 3) && value(s, o[0], a) && value(s, o[1], b) && target(s, o[2], t))
                put(w, a), put(w, b), w.push_back(t);
            return;
        case Form::PastLimitJump:
            if (count(s, 4, 4) && value(s, o[0], a) && value(s, o[1], v) && value(s, o[2], b) &&
                target(s, o[3], t))
                put(w, a), put(w, v), put(w, b), w.push_back(t);
            return;
        case Form::Next:
            if (count(s, 3, 3) && dest(s, o[0], v) && value(s, o[1], b) && target(s, o[2], t)) {
                // A float loop variable resumes one word after the target.
                if (v.tag != VM_TAG_INT) t -= 1;
                put(w, v), put(w, b), w.push_back(t);
            }
            return;
        case Form::OnGoto:
            if (!count(s, 1, SIZE_MAX) || !value(s, o[0], v)) return;
            put(w, v);
            w.push_back(static_cast<std::int32_t>(o.size() - 1));
            for (std::size_t k = 1; k < o.size(); ++k) {
                if (!target(s, o[k], t)) return;
                w.push_back(t);
            }
            return;
        case Form::Push:
            if (count(s, 1, 1) && value(s, o[0], a, true)) put(w, a);
            return;
        case Form::Pop:
            if (count(s, 1, 1) && dest(s, o[0], d)) put(w, d);
            return;
        case Form::PushN:
        case Form::PopN:
            w.push_back(static_cast<std::int32_t>(o.size()));
            for (const Operand& x : o) {
                bool ok = s.op->form == Form::PushN ? value(s, x, a, true) : dest(s, x, a, true);
                if (!ok) return;
                put(w, a);
            }
            return;
        case Form::Call:
            if (!count(s, 1, SIZE_MAX)) return;
            w.push_back(static_cast<std::int32_t>(o.size() - 1));
            w.push_back(s.nret);
            for (std::size_t k = 0; k + 1 < o.size(); ++k) {
                if (!value(s, o[k], a, true)) return;
                put(w, a);
            }
            if (target(s, o.back(), t)) w.push_back(t);
            return;
        case Form::FuncReturn:
            for (const Operand& x : o) {
                if (!value(s, x, a, true)) return;
                put(w, a);
            }
            // Padded to the largest result count of any func_call, so that a
            // return never reads past its own pairs (docs/ASSEMBLY.md).
            for (std::size_t k = o.size(); k < static_cast<std::size_t>(max_nret_); ++k)
                put(w, {VM_TAG_OTHER, 0});
            return;
        case Form::List:
            if (count(s, 1, 1) && list(s, o[0], t)) w.push_back(t);
            return;
        case Form::HostEnd:
            if (!count(s, 0, 1)) return;
            if (o.empty())
                put(w, {VM_TAG_INT, int_const(0)});
            else if (value(s, o[0], a))
                put(w, a);
            return;
        case Form::HostClock:
            if (count(s, 1, 1) && dest(s, o[0], d)) put(w, d);
            return;
        case Form::HostPrint:
            w.push_back(s.newline ? kPrintNewline : 0);
            w.push_back(static_cast<std::int32_t>(o.size()));
            for (const Operand& x : o) {
                if (!value(s, x, a)) return;
                w.push_back(a.is_string ? kPrintString : kPrintValue);
                put(w, a);
            }
            return;
        case Form::HostCall: emit_call(s, w); return;
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

AssemblyResult assemble(std::string_view source, const std::string& file_name) {
    return Assembler(source, file_name).run();
}

} // namespace kx::kxasm
