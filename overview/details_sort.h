#pragma once
#include <cstdint>

// The order of the overview's items: by the "&Details" column whose header was clicked last
// (ascending, or descending after a second click), a machine whose value is not known after every
// one that has it, ties by display name (without regard to case), then by host, then by
// identifier, so the order never depends on the order in which items were added. No platform
// headers, so it is tested natively.

enum class DetailsColumn { Name, Host, State, Cpu, Memory, Uptime, Heartbeat };
constexpr int DetailsColumnCount = 7;

struct DetailsRow {
    const wchar_t* name;
    const wchar_t* id;
    int32_t hostOrder;  // the host's place in the overview
    const wchar_t* state;  // the state's text ("" when not known)
    bool hasCpu, hasMemory, hasUptime, hasHeartbeat;
    uint32_t cpu;
    uint64_t memory;
    uint64_t uptime;
    uint32_t heartbeat;
};

// Negative when `a` comes first, positive when `b` does, 0 only for the same machine.
int CompareDetailsRows(const DetailsRow& a, const DetailsRow& b, DetailsColumn by, bool descending);
