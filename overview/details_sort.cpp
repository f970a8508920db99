#include "overview/details_sort.h"

#include <cwctype>

namespace {

int CompareText(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        const wint_t x = std::towlower(static_cast<wint_t>(*a)), y = std::towlower(static_cast<wint_t>(*b));
        if (x != y) return x < y ? -1 : 1;
        if (!*a) return 0;
    }
}

template <class T>
int CompareNumber(bool hasA, T a, bool hasB, T b, bool descending, bool& decided) {
    decided = true;
    if (hasA != hasB) return hasA ? -1 : 1;  // unknown values last, whichever the direction
    if (!hasA || a == b) {
        decided = false;
        return 0;
    }
    return (a < b) != descending ? -1 : 1;
}

}  // namespace

int CompareDetailsRows(const DetailsRow& a, const DetailsRow& b, DetailsColumn by, bool descending) {
    bool decided = false;
    int order = 0;
    switch (by) {
    case DetailsColumn::Cpu: order = CompareNumber(a.hasCpu, a.cpu, b.hasCpu, b.cpu, descending, decided); break;
    case DetailsColumn::Memory:
        order = CompareNumber(a.hasMemory, a.memory, b.hasMemory, b.memory, descending, decided);
        break;
    case DetailsColumn::Uptime:
        order = CompareNumber(a.hasUptime, a.uptime, b.hasUptime, b.uptime, descending, decided);
        break;
    case DetailsColumn::Heartbeat:
        order = CompareNumber(a.hasHeartbeat, a.heartbeat, b.hasHeartbeat, b.heartbeat, descending, decided);
        break;
    case DetailsColumn::State:
        if (!*a.state != !*b.state) return *a.state ? -1 : 1;
        order = CompareText(a.state, b.state);
        break;
    case DetailsColumn::Host: order = a.hostOrder == b.hostOrder ? 0 : a.hostOrder < b.hostOrder ? -1 : 1; break;
    case DetailsColumn::Name: order = CompareText(a.name, b.name); break;
    }
    if (decided) return order;
    if (order != 0) return descending ? -order : order;
    if (int byName = CompareText(a.name, b.name)) return byName;
    if (a.hostOrder != b.hostOrder) return a.hostOrder < b.hostOrder ? -1 : 1;
    return CompareText(a.id, b.id);
}
