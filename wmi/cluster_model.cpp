#include "wmi/cluster_model.h"

#include <cwchar>

namespace {
wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// The part of an identifier inside its braces, if it has them.
void Unbraced(const wchar_t* id, const wchar_t*& begin, size_t& length) {
    begin = id ? id : L"";
    length = std::wcslen(begin);
    if (length >= 2 && begin[0] == L'{' && begin[length - 1] == L'}') {
        ++begin;
        length -= 2;
    }
}

bool SameIgnoringCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength) {
    if (aLength != bLength) return false;
    for (size_t i = 0; i < aLength; ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}
}  // namespace

bool NodeServesMachines(int32_t state) { return state == NodeUp || state == NodePaused; }

const wchar_t* NodeStateName(int32_t state) {
    switch (state) {
    case NodeUp: return L"Up";
    case NodeDown: return L"Down";
    case NodePaused: return L"Paused";
    case NodeJoining: return L"Joining";
    default: return L"state unknown";
    }
}

bool SameVmId(const wchar_t* a, const wchar_t* b) {
    const wchar_t *aBegin, *bBegin;
    size_t aLength, bLength;
    Unbraced(a, aBegin, aLength);
    Unbraced(b, bBegin, bLength);
    return aLength > 0 && SameIgnoringCase(aBegin, aLength, bBegin, bLength);
}

bool SameNode(const wchar_t* a, const wchar_t* b) {
    if (!a || !b) return false;
    return SameIgnoringCase(a, std::wcslen(a), b, std::wcslen(b));
}

OwnerLookup FindOwnerNode(const ClusterInfo& cluster, const wchar_t* vmId, WideString& node) {
    const ClusterVm* found = nullptr;
    for (const ClusterVm& vm : cluster.vms) {
        if (!SameVmId(vm.vmId.c_str(), vmId)) continue;
        // Two resources for one machine are a cluster mid-change or a broken one: opening
        // either could show the wrong copy.
        if (found && !SameNode(found->ownerNode.c_str(), vm.ownerNode.c_str())) return OwnerLookup::Ambiguous;
        if (!found) found = &vm;
    }
    if (!found) return OwnerLookup::NotListed;
    if (found->ownerNode.Empty()) return OwnerLookup::NoOwner;
    node = found->ownerNode;
    return OwnerLookup::Found;
}

void AppendSkippedNode(const wchar_t* node, const wchar_t* why, WideString& text) {
    if (!text.Empty()) text.Append(L"\n");
    text.Append(node);
    text.Append(L" (");
    text.Append(why);
    text.Append(L")");
}
