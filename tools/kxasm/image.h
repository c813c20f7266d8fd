// A program ready to load: what the assembler produces, what a bytecode file
// holds and what kxrun verifies and runs. The file format is described in
// docs/ASSEMBLY.md ("Bytecode files").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx::kxasm {

constexpr std::uint32_t kMagic = 0x4342584Bu; // "KXBC" in file order
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kHeaderWords = 9;

// Limits that a file must respect (they keep every count a valid int32 and
// a malformed file from asking for absurd amounts of memory).
constexpr std::uint32_t kMaxProgramWords = 1u << 24;
constexpr std::uint32_t kMaxVariables = 1u << 24;
constexpr std::uint32_t kMaxStack = 1u << 24;
constexpr std::uint32_t kMaxStringBytes = 1u << 24;
constexpr std::uint32_t kMaxNameBytes = 256;

struct StringInit {
    std::int32_t variable; // integer variable that receives the bank's handle
    std::string bytes;
};

struct Image {
    std::vector<std::int32_t> words;       // program memory
    std::uint32_t code_words = 0;          // instructions occupy [0, code_words); lists follow
    std::vector<std::int32_t> ints;        // initial integer variables
    std::vector<std::uint32_t> float_bits; // initial float variables, by their bits
    std::uint32_t stack = 1024;            // stack capacity in entries
    std::vector<StringInit> strings;       // string banks made at load
    std::vector<std::string> imports;      // export names, indexed by HOST_CALL

    // Not stored in files: the source line of each instruction start (0 where
    // unknown), filled by the assembler for messages at run time.
    std::string source_name;
    std::vector<std::int32_t> lines;
};

std::vector<std::uint8_t> encode(const Image& image);
// Decodes a file's bytes; false with a message when they are not a complete,
// well-formed file of this version.
bool decode(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);

bool has_magic(const std::uint8_t* data, std::size_t size);

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);
bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes,
                std::string& error);

} // namespace kx::kxasm
