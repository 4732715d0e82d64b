#include "core/fs/sys_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace sonavex {
namespace {

const SysCalls kReal = {
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    ::pread,
    ::pwrite,
    ::fsync,
    ::ftruncate,
    ::posix_fallocate,
    ::fchmod,
    ::chmod,
    ::fchown,
    ::close,
    ::rename,
    ::renameat2,
    ::link,
    ::unlink,
    ::mkostemp,
};

std::atomic<const SysCalls*> current{&kReal};

}  // namespace

const SysCalls& RealSysCalls() { return kReal; }

const SysCalls& Sys() { return *current.load(std::memory_order_relaxed); }

ScopedSysCalls::ScopedSysCalls(const SysCalls& calls)
    : previous_(current.exchange(&calls)) {}

ScopedSysCalls::~ScopedSysCalls() { current.store(previous_); }

}  // namespace sonavex
