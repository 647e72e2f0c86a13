#pragma once
// What the Windows benchmarks measure with: a monotonic clock in seconds and this process's
// memory counters.
#include <windows.h>

#include <psapi.h>

namespace standin_bench {

inline double Now()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

inline PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

inline double Mb(SIZE_T bytes) { return static_cast<double>(bytes) / 1e6; }

} // namespace standin_bench
