#pragma once
#include <windows.h>
#include <psapi.h>

// The commit charge of another process, -1 when it cannot be read: what the storms watch for leaks.
inline long long PrivateBytes(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    const bool read = process && GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                                      sizeof(counters));
    if (process) CloseHandle(process);
    // Wine leaves PrivateUsage 0; PagefileUsage is the same commit charge on Windows.
    return read ? static_cast<long long>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage) : -1;
}
