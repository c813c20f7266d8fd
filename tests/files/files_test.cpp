// File channels, checked against the bytes on disk read independently.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "kx/kx_vm.h"
#include "kxp/system.h"
#include "strings/string_fixture.h"

namespace fsys = std::filesystem;

namespace {

class Files : public kx::test::Strings {
  protected:
    fsys::path dir;
    void SetUp() override {
        Strings::SetUp();
        dir = fsys::temp_directory_path() /
              ("kx_files_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fsys::remove_all(dir);
        fsys::create_directories(dir);
    }
    void TearDown() override {
        Strings::TearDown();
        fsys::remove_all(dir);
    }
    int name(const std::string& file) { return S((dir / file).string()); }
    std::string disk(const std::string& file) {
        std::ifstream in(dir / file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void put(const std::string& file, const std::string& bytes) {
        std::ofstream(dir / file, std::ios::binary) << bytes;
    }
};

TEST_F(Files, OpenModes) {
    for (auto call : {VM_FileRead, VM_FileOpen, VM_FileExist, VM_FileSize})
        EXPECT_EQ(call(name("missing")) | call(0), 0);
    int w = VM_FileWrite(name("new"));
    ASSERT_NE(w, 0);
    EXPECT_EQ(VM_FileWriteB(w, -1, 0x41), 0);
    EXPECT_EQ(VM_FileClose(w), 0);
    EXPECT_EQ(disk("new"), "A");
    EXPECT_EQ(VM_FileExist(name("new")), 1);
    EXPECT_EQ(VM_FileSize(name("new")), 1);
    // "wb" truncates; "rb+" keeps and writes from position 0.
    put("keep", "hello");
    int rw = VM_FileOpen(name("keep"));
    VM_FileWriteB(rw, -1, 'J');
    EXPECT_EQ((VM_FileClose(rw), disk("keep")), "Jello");
    EXPECT_EQ((VM_FileClose(VM_FileWrite(name("keep"))), disk("keep")), "");
    // A write right after a read, then a read after the write, on one stream.
    put("rw", "0123456789");
    int f = VM_FileOpen(name("rw"));
    EXPECT_EQ(VM_FileReadB(f, -1), '0');
    VM_FileWriteB(f, -1, 'X'); // at position 1
    EXPECT_EQ(VM_FileReadB(f, -1), '2');
    EXPECT_EQ(VM_FilePos(f), 3);
    EXPECT_EQ((VM_FileClose(f), disk("rw")), "0X23456789");
    // A read-only stream does not write.
    put("ro", "xyz");
    int r = VM_FileRead(name("ro"));
    VM_FileWriteB(r, -1, 'Q');
    EXPECT_EQ((VM_FileClose(r), disk("ro")), "xyz");
}

TEST_F(Files, StaleAndUnknownIdsAreRefused) {
    put("f", "abcd");
    int f = VM_FileRead(name("f"));
    int g = VM_FileRead(name("f"));
    EXPECT_NE(f, g);
    EXPECT_EQ(VM_FileClose(f), 0);
    EXPECT_EQ(VM_FileClose(f), 0); // closing twice does nothing
    EXPECT_EQ(VM_FileReadB(f, -1) | VM_FilePos(f) | VM_FileEOF(f), 0);
    EXPECT_EQ(VM_FileReadB(g, -1), 'a'); // the other stream is untouched
    int h = VM_FileRead(name("f"));
    EXPECT_NE(h, f); // ids are not reused
    for (int bad : {0, -1, 123456}) {
        int into = 0;
        EXPECT_EQ(VM_FileReadL(bad, 0) | VM_FileWriteMem(bad, 0, "x", "xy") |
                      VM_FileReadMem(bad, 0, &into, 4),
                  0)
            << bad;
    }
    VM_FileClose(g);
    VM_FileClose(h);
}

TEST_F(Files, BinaryValuesAndThePositionRule) {
    int w = VM_FileWrite(name("bin"));
    VM_FileWriteB(w, -1, 0x1FF);
    VM_FileWriteW(w, -1, 0x10203);
    VM_FileWriteL(w, -1, -2);
    EXPECT_EQ((VM_FileWriteF(w, -1, 1.5f), VM_FilePos(w)), 11);
    // At offset 1, the position stays at 11.
    EXPECT_EQ((VM_FileWriteB(w, 1, 0x55), VM_FilePos(w)), 11);
    VM_FileClose(w);
    const std::string want("\xFF\x55\x02\xFE\xFF\xFF\xFF\x00\x00\xC0\x3F", 11);
    EXPECT_EQ(disk("bin"), want);

    put("w", std::string("\x02\x01\x80", 3));
    int r = VM_FileRead(name("w"));
    EXPECT_EQ(VM_FileReadW(r, -1), 258);
    EXPECT_EQ(VM_FileReadW(r, -1), 0x80); // one byte left: the missing byte reads 0
    EXPECT_EQ(VM_FileReadL(r, -1), 0);    // nothing left
    EXPECT_EQ(VM_FileReadB(r, 2), 0x80);
    VM_FileSetPos(r, 1);
    EXPECT_EQ(VM_FileReadB(r, 0), 0x02);
    EXPECT_EQ(VM_FilePos(r), 1);
    EXPECT_EQ(VM_FileReadB(r, -1), 0x01);
    VM_FileClose(r);

    int f = VM_FileRead(name("bin"));
    EXPECT_EQ(std::tuple(VM_FileReadF(f, 7), VM_FileReadL(f, 3), VM_FilePos(f)),
              std::tuple(1.5f, -2, 0));
    VM_FileClose(f);
}

TEST_F(Files, TextLines) {
    int w = VM_FileWrite(name("t"));
    VM_FileWriteStr(w, -1, S("abc"));
    VM_FileWriteStr(w, -1, VM_Alloc(4)); // not a string: only CR LF
    EXPECT_EQ((VM_FileClose(w), disk("t")), "abc\r\n\r\n");
    int r = VM_FileRead(name("t"));
    int d = VM_NewKXStr(0);
    EXPECT_EQ((VM_FileReadStr(r, -1, d), get(d)), "abc");
    EXPECT_EQ(VM_FilePos(r), 5);
    EXPECT_EQ((VM_FileReadStr(r, -1, d), get(d)), "");
    EXPECT_EQ(VM_FileEOF(r), 1);
    // With a position: the current position stays.
    EXPECT_EQ((VM_FileReadStr(r, 0, d), get(d)), "abc");
    EXPECT_EQ(VM_FilePos(r), 7);
    VM_FileClose(r);
}

TEST_F(Files, LongLinesAcrossBlockBoundaries) {
    // Lines of 47..50, 95..98 and 200 characters, and a last line without CR LF.
    std::string bytes;
    std::vector<std::string> lines;
    for (int n : {47, 48, 49, 50, 95, 96, 97, 98, 200, 0, 1}) {
        std::string line;
        for (int k = 0; k < n; ++k)
            line += static_cast<char>('a' + (k * 7 + n) % 26);
        lines.push_back(line);
        bytes += line + "\r\n";
    }
    lines.push_back("tail without end");
    bytes += lines.back();
    put("long", bytes);
    int r = VM_FileRead(name("long"));
    int d = VM_NewKXStr(0);
    for (const std::string& want : lines) {
        EXPECT_EQ((VM_FileReadStr(r, -1, d), get(d)), want);
        EXPECT_TRUE(terminated(d));
    }
    EXPECT_EQ(VM_FilePos(r), static_cast<int>(bytes.size()) + 2); // 2 past the last line
    EXPECT_EQ(VM_FileEOF(r), 1);
    EXPECT_EQ(VM_FilePos(r), static_cast<int>(bytes.size()) + 2); // restored exactly
    // Growth by 96 whenever fewer than 48 places are free before a 48-byte block:
    // the 200 characters take capacity 0 to 96, 192 and 288.
    int fresh = VM_NewKXStr(0);
    VM_FileReadStr(r, static_cast<int>(bytes.find(lines[8])), fresh);
    EXPECT_EQ(get(fresh), lines[8]);
    EXPECT_EQ(VM_StrBufferSize(fresh), 288);
    // A line of 100,000 characters grows the same way (read past 64 KiB with one
    // growth instead of one every 96 characters).
    std::string longest(100'000, 'q');
    longest[77'777] = 'r';
    put("longest", longest + "\r\nnext");
    int l = VM_FileRead(name("longest"));
    VM_FileReadStr(l, -1, fresh);
    EXPECT_EQ(get(fresh), longest);
    EXPECT_EQ(VM_StrBufferSize(fresh), 100128);
    EXPECT_EQ((VM_FileReadStr(l, -1, fresh), get(fresh)), "next");
    VM_FileClose(l);
    // The earlier reader, byte by byte, into a string with no room at all.
    VM_FileSetPos(r, 0);
    int old = VM_NewKXStr(0);
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ((VM_FileReadStr_OLD(r, -1, old), get(old)), lines[k]);
    VM_FileClose(r);
}

TEST_F(Files, CharacterRunsAndMemory) {
    int w = VM_FileWrite(name("c"));
    VM_FileWriteCHR(w, -1, S("ab"), 0);
    VM_FileWriteCHR(w, -1, S("hello"), 3);
    VM_FileWriteCHR(w, -1, S(""), 5); // nothing at all
    VM_FileWriteCHR(w, -1, S("xy"), 9);
    const char raw[] = "MEM!";
    EXPECT_EQ(VM_FileWriteMem(w, -1, raw, raw + 4), 1);
    EXPECT_EQ(VM_FileWriteMem(w, -1, raw + 4, raw), 1); // empty range
    EXPECT_EQ(VM_FileWriteMem(w, -1, nullptr, raw), 1);
    EXPECT_EQ((VM_FileClose(w), disk("c")), std::string("ab\0helxyMEM!", 12));
    int r = VM_FileRead(name("c"));
    int d = VM_NewKXStr(0);
    EXPECT_EQ((VM_FileReadCHR(r, -1, d, 0), get(d)), "ab");
    int small = VM_NewKXStr(2);
    // Count >= capacity: grown to count + 16.
    EXPECT_EQ((VM_FileReadCHR(r, -1, small, 5), get(small)), "helxy");
    EXPECT_EQ(VM_StrBufferSize(small), 21);
    char buf[8] = {};
    EXPECT_EQ(VM_FileReadMem(r, -1, buf, 8), 4); // only four left
    EXPECT_EQ(std::string(buf, 4), "MEM!");
    EXPECT_EQ(VM_FileReadMem(r, 0, buf, 0), 0);
    // To the end of the file without a zero.
    EXPECT_EQ((VM_FileReadCHR(r, 3, d, 0), get(d)), "helxyMEM!");
    VM_FileClose(r);
}

TEST_F(Files, ValueLinesAndFolders) {
    put("v", "  42\r\n-2.5e1\r\n$1F\r\n");
    int r = VM_FileRead(name("v"));
    EXPECT_EQ(VM_FileReadValueL(r, -1), 42);
    EXPECT_EQ(VM_FileReadValueF(r, -1), -25.0f);
    EXPECT_EQ(VM_FileReadValueL(r, -1), 31);
    EXPECT_EQ(VM_FileReadValueL(0, -1), 0);
    VM_FileClose(r);

    int t = VM_NewKXStr(0);
    int n = VM_FileTempFolder(t);
    ASSERT_GT(n, 0);
    EXPECT_GE(VM_StrBufferSize(t), 1024);
    std::string folder(static_cast<char*>(VM_StrFirstChrPtr(t)), static_cast<std::size_t>(n));
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fsys::is_directory(folder));
    EXPECT_EQ(VM_FileTempFolder(0), 0);

    fsys::path before = fsys::current_path();
    EXPECT_EQ(VM_CHDIR(dir.c_str()), 0);
    EXPECT_EQ(fsys::current_path(), fsys::canonical(dir));
    int w = VM_FileWrite(S("relative.txt"));
    VM_FileClose(w);
    EXPECT_TRUE(fsys::exists(dir / "relative.txt"));
    VM_CHDIR(nullptr);
    fsys::current_path(before);
}

// Names end at the bank's end, whatever follows it in memory; counts that no
// string can hold are refused before anything is read.
TEST_F(Files, NamesStayInsideTheirBankAndHugeCountsAreRefused) {
    const std::string path = (dir / "abcdefgh").string();
    // A zero-terminated bank without its zero byte, then a counted string whose
    // terminator was overwritten, each followed by other banks' bytes.
    int zt = VM_TypedAlloc(static_cast<std::uint32_t>(path.size()), 3, 0);
    std::memcpy(VM_BankPtr(zt), path.data(), path.size());
    int after = VM_TypedAlloc(64, 0, 0);
    std::memset(VM_BankPtr(after), '0', 64);
    int counted = S(path);
    static_cast<char*>(VM_StrFirstChrPtr(counted))[path.size()] = '0';
    for (int n : {zt, counted}) {
        int w = VM_FileWrite(n);
        ASSERT_NE(w, 0);
        VM_FileClose(w);
    }
    std::vector<std::string> made;
    for (const auto& e : fsys::directory_iterator(dir))
        made.push_back(e.path().filename().string());
    EXPECT_EQ(made, std::vector<std::string>{"abcdefgh"});

    put("small", "hello");
    int f = VM_FileRead(name("small")), d = S("keep"), capacity = VM_StrBufferSize(d);
    for (int count : {INT32_MAX, INT32_MAX - 8}) {
        EXPECT_EQ(VM_FileReadCHR(f, 0, d, count), 0);
        EXPECT_EQ(get(d), "keep");
        EXPECT_EQ(VM_StrBufferSize(d), capacity);
    }
    VM_FileClose(f);
}

TEST_F(Files, TimerReadsThePlatformClock) {
    kxp::SetTestClock(1000);
    kxp::AdvanceTestClock(20);
    EXPECT_EQ(Timer(), 1020);
    kxp::UseSystemClock();
}

} // namespace
