#include "MmttyLink.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mmtty {

std::string SharedBlock::name() {
    // One block per user and runtime directory, the same scope as the message sockets, so that
    // separate sessions (and test runs) of one user do not meet.
    std::string n = "/tonedeck-" + std::to_string(::getuid()) + "-" + kMessageName;
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir) {
        uint32_t h = 2166136261u;
        for (const char* p = dir; *p; ++p)
            h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
        char buf[12];
        std::snprintf(buf, sizeof buf, "-%08x", h);
        n += buf;
    }
    return n;
}

bool SharedBlock::create() {
    close();
    const std::string n = name();
    ::shm_unlink(n.c_str()); // a block left by a crashed run
    const int fd = ::shm_open(n.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        error_ = std::string("shm_open: ") + std::strerror(errno);
        return false;
    }
    ::fchmod(fd, 0600); // whatever the umask
    if (::ftruncate(fd, static_cast<off_t>(kBlockSize)) != 0) {
        error_ = std::string("ftruncate: ") + std::strerror(errno);
        ::close(fd);
        ::shm_unlink(n.c_str());
        return false;
    }
    void* p = ::mmap(nullptr, kBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED) {
        error_ = std::string("mmap: ") + std::strerror(errno);
        ::shm_unlink(n.c_str());
        return false;
    }
    base_ = p;
    owner_ = true;
    std::memset(base_, 0, kBlockSize);
    return true;
}

bool SharedBlock::open() {
    close();
    const int fd = ::shm_open(name().c_str(), O_RDWR, 0);
    if (fd < 0) {
        error_ = std::string("shm_open: ") + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::getuid() || (st.st_mode & 0077) != 0 ||
        st.st_size != static_cast<off_t>(kBlockSize)) {
        error_ = "the shared block is not ours, not private or not of its size";
        ::close(fd);
        return false;
    }
    void* p = ::mmap(nullptr, kBlockSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED) {
        error_ = std::string("mmap: ") + std::strerror(errno);
        return false;
    }
    base_ = p;
    owner_ = false;
    return true;
}

void SharedBlock::close() {
    if (base_) ::munmap(base_, kBlockSize);
    if (base_ && owner_) ::shm_unlink(name().c_str());
    base_ = nullptr;
    owner_ = false;
}

int32_t SharedBlock::readInt(size_t offset) const {
    if (!base_ || offset + 4 > kBlockSize) return 0;
    uint8_t b[4];
    std::memcpy(b, static_cast<const uint8_t*>(base_) + offset, 4);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                uint32_t(b[3]) << 24);
}

void SharedBlock::writeInt(size_t offset, int32_t value) {
    if (!base_ || offset + 4 > kBlockSize) return;
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::memcpy(static_cast<uint8_t*>(base_) + offset, b, 4);
}

bool SharedBlock::readString(size_t offset, size_t size, std::string& out) const {
    if (!base_ || offset + size > kBlockSize) return false;
    const char* p = static_cast<const char*>(base_) + offset;
    const void* nul = std::memchr(p, 0, size);
    if (!nul) return false;
    out.assign(p, static_cast<const char*>(nul));
    return true;
}

void SharedBlock::writeString(size_t offset, size_t size, const std::string& text) {
    if (!base_ || size == 0 || offset + size > kBlockSize) return;
    char* p = static_cast<char*>(base_) + offset;
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(p, text.data(), n);
    p[n] = '\0';
    std::memset(p + n + 1, ' ', size - n - 1);
}

std::string handleArgument(uint32_t handle) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", handle);
    return std::string("-m -h") + buf;
}

bool parseCommandLine(int argc, const char* const* argv, uint32_t& handle) {
    bool minimised = false, haveHandle = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-m") {
            minimised = true;
        } else if (a.size() == 10 && a.compare(0, 2, "-h") == 0) {
            uint32_t v = 0;
            for (size_t k = 2; k < 10; ++k) {
                const char c = a[k];
                int d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (c >= 'A' && c <= 'F')
                    d = c - 'A' + 10;
                else
                    return false;
                v = v << 4 | uint32_t(d);
            }
            handle = v;
            haveHandle = true;
        } else {
            return false;
        }
    }
    return minimised && haveHandle && handle != 0;
}

int parsePttPort(const std::string& name) {
    if (name == "NONE") return 0;
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0) return -1;
    int port = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        port = port * 10 + (name[i] - '0');
    }
    return port >= 1 ? port : -1;
}

} // namespace mmtty
