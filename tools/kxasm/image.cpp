#include "image.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kx::kxasm {
namespace {

class Writer {
  public:
    std::vector<std::uint8_t> bytes;
    void word(std::uint32_t w) {
        for (int k = 0; k < 4; ++k)
            bytes.push_back(static_cast<std::uint8_t>(w >> (8 * k)));
    }
    // A counted byte run, padded with zeros to a whole number of words.
    void run(const std::string& s) {
        word(static_cast<std::uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
        while (bytes.size() % 4)
            bytes.push_back(0);
    }
};

class Reader {
  public:
    Reader(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
    std::size_t left() const { return n_ - at_; }
    bool word(std::uint32_t& w) {
        if (left() < 4) return false;
        w = std::uint32_t(d_[at_]) | std::uint32_t(d_[at_ + 1]) << 8 |
            std::uint32_t(d_[at_ + 2]) << 16 | std::uint32_t(d_[at_ + 3]) << 24;
        at_ += 4;
        return true;
    }
    bool run(std::string& s, std::uint32_t limit) {
        std::uint32_t n;
        if (!word(n) || n > limit) return false;
        std::size_t padded = (std::size_t(n) + 3) & ~std::size_t(3);
        if (left() < padded) return false;
        s.assign(reinterpret_cast<const char*>(d_ + at_), n);
        at_ += padded;
        return true;
    }

  private:
    const std::uint8_t* d_;
    std::size_t n_, at_ = 0;
};

} // namespace

std::vector<std::uint8_t> encode(const Image& im) {
    Writer w;
    w.word(kMagic);
    w.word(kVersion);
    w.word(static_cast<std::uint32_t>(im.words.size()));
    w.word(im.code_words);
    w.word(static_cast<std::uint32_t>(im.ints.size()));
    w.word(static_cast<std::uint32_t>(im.float_bits.size()));
    w.word(im.stack);
    w.word(static_cast<std::uint32_t>(im.strings.size()));
    w.word(static_cast<std::uint32_t>(im.imports.size()));
    for (std::int32_t v : im.words)
        w.word(static_cast<std::uint32_t>(v));
    for (std::int32_t v : im.ints)
        w.word(static_cast<std::uint32_t>(v));
    for (std::uint32_t v : im.float_bits)
        w.word(v);
    for (const StringInit& s : im.strings) {
        w.word(static_cast<std::uint32_t>(s.variable));
        w.run(s.bytes);
    }
    for (const std::string& name : im.imports)
        w.run(name);
    return w.bytes;
}

bool has_magic(const std::uint8_t* data, std::size_t size) {
    std::uint32_t w;
    return Reader(data, size).word(w) && w == kMagic;
}

bool decode(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    Reader r(data, size);
    std::uint32_t h[kHeaderWords];
    for (std::uint32_t& w : h)
        if (!r.word(w)) {
            error = "file too short for a bytecode header";
            return false;
        }
    enum { MAGIC, VERSION, WORDS, CODE, INTS, FLOATS, STACK, STRINGS, IMPORTS };
    if (h[MAGIC] != kMagic) {
        error = "not a bytecode file (bad magic)";
        return false;
    }
    if (h[VERSION] != kVersion) {
        error = "bytecode version " + std::to_string(h[VERSION]) + " is not supported (expected " +
                std::to_string(kVersion) + ")";
        return false;
    }
    if (h[WORDS] > kMaxProgramWords || h[INTS] > kMaxVariables || h[FLOATS] > kMaxVariables ||
        h[STACK] > kMaxStack) {
        error = "header sizes exceed the limits (program words, variables or stack)";
        return false;
    }
    if (h[CODE] > h[WORDS]) {
        error = "code size " + std::to_string(h[CODE]) + " exceeds the program size " +
                std::to_string(h[WORDS]);
        return false;
    }
    // Every table must be present before anything is allocated for it.
    std::uint64_t table_words = std::uint64_t(h[WORDS]) + h[INTS] + h[FLOATS];
    if (r.left() / 4 < table_words || h[STRINGS] > r.left() / 8 || h[IMPORTS] > r.left() / 4) {
        error = "file truncated: the header announces more than the file holds";
        return false;
    }
    Image im;
    im.code_words = h[CODE];
    im.stack = h[STACK];
    std::uint32_t w = 0;
    im.words.resize(h[WORDS]);
    for (std::int32_t& v : im.words)
        r.word(w), v = static_cast<std::int32_t>(w);
    im.ints.resize(h[INTS]);
    for (std::int32_t& v : im.ints)
        r.word(w), v = static_cast<std::int32_t>(w);
    im.float_bits.resize(h[FLOATS]);
    for (std::uint32_t& v : im.float_bits)
        r.word(v);
    im.strings.resize(h[STRINGS]);
    for (StringInit& s : im.strings) {
        if (!r.word(w) || !r.run(s.bytes, kMaxStringBytes)) {
            error = "file truncated or malformed in the string table";
            return false;
        }
        s.variable = static_cast<std::int32_t>(w);
    }
    im.imports.resize(h[IMPORTS]);
    for (std::string& name : im.imports)
        if (!r.run(name, kMaxNameBytes)) {
            error = "file truncated or malformed in the import table";
            return false;
        }
    if (r.left() != 0) {
        error = std::to_string(r.left()) + " bytes of trailing data after the import table";
        return false;
    }
    out = std::move(im);
    return true;
}

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) error = "cannot read " + path;
    return ok;
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes,
                std::string& error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) error = "cannot write " + path;
    return ok;
}

} // namespace kx::kxasm
