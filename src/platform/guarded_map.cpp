// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/guarded_map.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace trakor {

namespace {

// The live mappings the SIGBUS handler looks at; a handful run at once at most.
constexpr int kSlots = 8;
std::atomic<GuardedMapping*> gSlots[kSlots];
std::atomic<uintptr_t> gBegin[kSlots], gEnd[kSlots];
uintptr_t gPageSize = 4096;  // set before the handler is installed
struct sigaction gPrevious;
std::once_flag gInstalled;

void onBusError(int signal, siginfo_t* info, void* context) {
    if (GuardedMapping::coverFault(info->si_addr)) return;  // the read is retried on zeros
    // Not ours: as the program would have fared without this handler.
    if (gPrevious.sa_flags & SA_SIGINFO) {
        if (gPrevious.sa_sigaction) return gPrevious.sa_sigaction(signal, info, context);
    } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
        return gPrevious.sa_handler(signal);
    }
    ::signal(SIGBUS, SIG_DFL);  // the fault repeats and ends the program as usual
}

void installHandler() {
    gPageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_sigaction = onBusError;
    sa.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGBUS, &sa, &gPrevious);
}

}  // namespace

bool GuardedMapping::coverFault(const void* address) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    for (int i = 0; i < kSlots; ++i) {
        GuardedMapping* m = gSlots[i].load(std::memory_order_acquire);
        if (m == nullptr || a < gBegin[i].load() || a >= gEnd[i].load()) continue;
        void* at = reinterpret_cast<void*>(a / gPageSize * gPageSize);
        // mmap is a plain system call on Linux and safe here.
        if (::mmap(at, gPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) return false;
        m->shrank_.store(true, std::memory_order_relaxed);
        return true;
    }
    return false;
}

bool GuardedMapping::map(int fd, size_t size) {
    release();
    shrank_ = false;
    if (size == 0) return true;
    std::call_once(gInstalled, installHandler);
    void* m = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (m == MAP_FAILED) return false;
    data_ = static_cast<uint8_t*>(m);
    size_ = mapped_ = size;
    // With every guard in use the mapping stays unguarded, as plain mappings are.
    for (int i = 0; i < kSlots && slot_ < 0; ++i) {
        GuardedMapping* none = nullptr;
        if (gSlots[i].compare_exchange_strong(none, this)) slot_ = i;
    }
    if (slot_ >= 0) {
        gBegin[slot_].store(reinterpret_cast<uintptr_t>(m));
        gEnd[slot_].store(reinterpret_cast<uintptr_t>(m) + size);
    }
    return true;
}

void GuardedMapping::release() {
    if (slot_ >= 0) {
        gBegin[slot_].store(0);
        gEnd[slot_].store(0);
        gSlots[slot_].store(nullptr, std::memory_order_release);
        slot_ = -1;
    }
    if (data_ != nullptr) ::munmap(data_, mapped_);
    data_ = nullptr;
    size_ = mapped_ = 0;
}

GuardedMapping::~GuardedMapping() { release(); }

}  // namespace trakor
