// Preloaded into zr415ctl by the audit tests: a disk that takes only so many writes or syncs of
// the audit file. ZR415_FAULT_WRITES_AFTER=N lets N writes to a *.jsonl file through, then fails
// them with ENOSPC; ZR415_FAULT_SYNCS_AFTER=N does the same to fsync/fdatasync with EIO.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace {
bool isAuditFile(int fd)
{
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    return length > 6 && std::memcmp(target + length - 6, ".jsonl", 6) == 0;
}

// True when this call is past the allowance named by variable.
bool exhausted(const char* variable, std::atomic<long>& used)
{
    const char* allowance = std::getenv(variable);
    return allowance && used.fetch_add(1) >= std::atol(allowance);
}

std::atomic<long> writes{0};
std::atomic<long> syncs{0};

template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" ssize_t write(int fd, const void* buffer, size_t count)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    if (isAuditFile(fd) && exhausted("ZR415_FAULT_WRITES_AFTER", writes)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buffer, count);
}

extern "C" int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    if (isAuditFile(fd) && exhausted("ZR415_FAULT_SYNCS_AFTER", syncs)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto real = next<int (*)(int)>("fdatasync");
    if (isAuditFile(fd) && exhausted("ZR415_FAULT_SYNCS_AFTER", syncs)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}
