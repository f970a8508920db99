#pragma once
#include "shell/wide_string.h"

#include <windows.h>

#include <vector>

// One virtual machine of a host, as the Connect dialog lists it.
struct MachineEntry {
    WideString elementName;  // display name
    WideString name;         // identifier (a GUID)
    WideString node;         // the cluster node it runs on; "" on a host outside any cluster
    bool clustered = false;  // a role of the cluster, which may move it to another node
};

// Lists the virtual machines of `server` ("" or "." = this machine) over a connection of its own,
// in the order the host delivers them; the host's own computer-system object is left out.
// Returns 0, or the failing call's HRESULT with a short text in `errorText` (HostSilent, "the
// host did not answer", when a Next went unanswered for NextWaitMs). At most ListingMax machines
// are listed; `cut` (when given) tells whether the host had more.
HRESULT ListMachines(const wchar_t* server, const wchar_t* user, const wchar_t* password,
                     std::vector<MachineEntry>& entries, WideString& errorText, bool* cut = nullptr);
