#include "framework/locks/OWThread.h"

#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

TOWThreadId owThreadDetail::fetchId() noexcept
{
    cachedId = static_cast<TOWThreadId>(::gettid());
    return cachedId;
}

bool OWThreadAlive(TOWThreadId id) noexcept
{
    if (id == 0)
        return false;
    // Signal 0 checks the thread's existence without disturbing it.
    return ::syscall(SYS_tgkill, ::getpid(), static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

void OWYield() noexcept
{
    std::this_thread::yield();
}
