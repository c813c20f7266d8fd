// A buffered file stream on a file descriptor. One buffer serves reading and
// writing; seeks that land inside the bytes already read stay in the buffer,
// which keeps the line reader's repositioning after every line cheap.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kx::files {

class Stream {
  public:
    enum class Access { ReadWrite, Read, Write };

    // Opens an existing file (ReadWrite, Read) or creates/truncates one (Write);
    // null when the file or the memory for the stream cannot be had.
    static std::unique_ptr<Stream> open(const char* path, Access access) noexcept;
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    std::size_t read(void* to, std::size_t n); // short at end of file
    std::size_t write(const void* from, std::size_t n);
    int get(); // one byte, or -1 at end of file
    off_t tell() const { return base_ + static_cast<off_t>(cur_); }
    bool seek(off_t offset); // false for a negative offset
    off_t size();            // the file's size, pending writes included
    int close();             // 0 on success

  private:
    Stream(int fd, Access access, std::unique_ptr<std::uint8_t[]> buffer) noexcept;
    bool flush();
    void drop_read_buffer();

    int fd_;
    Access access_;
    std::unique_ptr<std::uint8_t[]> buf_;
    off_t base_ = 0;       // file offset of buf_[0]
    std::size_t len_ = 0;  // bytes of buf_ holding file data (read) or pending data (write)
    std::size_t cur_ = 0;  // the current position within buf_
    bool writing_ = false; // buf_ holds pending writes
};

} // namespace kx::files
