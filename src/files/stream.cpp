// Buffered file streams (see stream.h).
#include "files/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace kx::files {
namespace {
constexpr std::size_t kBuffer = 64 * 1024;
} // namespace

std::unique_ptr<Stream> Stream::open(const char* path, Access access) noexcept {
    int flags = access == Access::ReadWrite ? O_RDWR
                : access == Access::Read    ? O_RDONLY
                                            : (O_WRONLY | O_CREAT | O_TRUNC);
    int fd = ::open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[kBuffer]);
    std::unique_ptr<Stream> s(buffer ? new (std::nothrow) Stream(fd, access, std::move(buffer))
                                     : nullptr);
    if (!s) ::close(fd);
    return s;
}

Stream::Stream(int fd, Access access, std::unique_ptr<std::uint8_t[]> buffer) noexcept
    : fd_(fd), access_(access), buf_(std::move(buffer)) {}

Stream::~Stream() {
    close();
}

int Stream::close() {
    if (fd_ < 0) return 0;
    bool ok = flush();
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    return ok ? 0 : -1;
}

// Writes the pending bytes; afterwards the buffer is empty at the current position.
bool Stream::flush() {
    if (!writing_) return true;
    bool ok = true;
    for (std::size_t done = 0; done < len_;) {
        ssize_t n = ::pwrite(fd_, buf_.get() + done, len_ - done, base_ + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    base_ += static_cast<off_t>(cur_);
    len_ = cur_ = 0;
    writing_ = false;
    return ok;
}

void Stream::drop_read_buffer() {
    base_ += static_cast<off_t>(cur_);
    len_ = cur_ = 0;
}

std::size_t Stream::read(void* to, std::size_t n) {
    if (fd_ < 0 || access_ == Access::Write) return 0;
    if (writing_) flush();
    auto* out = static_cast<std::uint8_t*>(to);
    std::size_t done = 0;
    while (done < n) {
        if (cur_ == len_) {
            // Refill from the current position.
            drop_read_buffer();
            if (n - done >= kBuffer) { // large reads go straight to the destination
                ssize_t got = ::pread(fd_, out + done, n - done, base_);
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) break;
                done += static_cast<std::size_t>(got);
                base_ += got;
                continue;
            }
            ssize_t got = ::pread(fd_, buf_.get(), kBuffer, base_);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            len_ = static_cast<std::size_t>(got);
        }
        std::size_t take = std::min(n - done, len_ - cur_);
        std::memcpy(out + done, buf_.get() + cur_, take);
        cur_ += take;
        done += take;
    }
    return done;
}

int Stream::get() {
    if (cur_ < len_ && !writing_) return buf_[cur_++];
    std::uint8_t b;
    return read(&b, 1) == 1 ? b : -1;
}

std::size_t Stream::write(const void* from, std::size_t n) {
    if (fd_ < 0 || access_ == Access::Read) return 0;
    if (!writing_) {
        drop_read_buffer();
        writing_ = true;
    }
    const auto* in = static_cast<const std::uint8_t*>(from);
    std::size_t done = 0;
    while (done < n) {
        if (cur_ == kBuffer && !flush()) break;
        if (!writing_) writing_ = true;
        std::size_t take = std::min(n - done, kBuffer - cur_);
        std::memcpy(buf_.get() + cur_, in + done, take);
        cur_ += take;
        len_ = std::max(len_, cur_);
        done += take;
    }
    return done;
}

bool Stream::seek(off_t offset) {
    if (fd_ < 0 || offset < 0) return false;
    if (!writing_ && offset >= base_ && offset <= base_ + static_cast<off_t>(len_)) {
        cur_ = static_cast<std::size_t>(offset - base_); // inside what was read
        return true;
    }
    flush();
    base_ = offset;
    len_ = cur_ = 0;
    return true;
}

off_t Stream::size() {
    if (fd_ < 0) return 0;
    struct stat st {};
    off_t on_disk = ::fstat(fd_, &st) == 0 ? st.st_size : 0;
    return writing_ ? std::max(on_disk, base_ + static_cast<off_t>(len_)) : on_disk;
}

} // namespace kx::files
