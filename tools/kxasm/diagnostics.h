// Errors of the assembler, collected across its passes: at most kMaxErrors are
// kept, the rest are counted.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kx::kxasm {

struct Diagnostic {
    std::string file;
    int line = 0, column = 0;
    std::string message;
    // "file:line:column: error: message"
    std::string text() const;
};

// At most this many errors are reported; the rest are counted in a last one.
constexpr std::size_t kMaxErrors = 50;

class Diagnostics {
  public:
    explicit Diagnostics(std::string file) : file_(std::move(file)) {}

    void error(int line, int col, const std::string& message) {
        last_line_ = line;
        if (full()) {
            ++dropped_;
            return;
        }
        errors_.push_back({file_, line, col, message});
    }
    bool full() const { return errors_.size() >= kMaxErrors; }
    bool empty() const { return errors_.empty(); }
    // Errors so far, dropped ones included.
    std::size_t count() const { return errors_.size() + dropped_; }
    int last_line() const { return last_line_; }
    const std::string& file() const { return file_; }

    // The errors, with a last one counting those not shown.
    std::vector<Diagnostic> take() {
        if (dropped_ > 0)
            errors_.push_back(
                {file_, last_line_, 1, std::to_string(dropped_) + " more errors not shown"});
        return std::move(errors_);
    }

  private:
    std::string file_;
    std::vector<Diagnostic> errors_;
    std::size_t dropped_ = 0;
    int last_line_ = 0;
};

} // namespace kx::kxasm
