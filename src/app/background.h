#pragma once

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// Lets the calling thread yield the processor to the window's: long work on a machine with
// few cores must not take the time the window needs to stay quick. Linux gives each thread
// a niceness of its own.
inline void runInBackground()
{
    ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 10);
}
