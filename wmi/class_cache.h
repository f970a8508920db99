#pragma once
#include "shell/wide_string.h"
#include "wmi/com_ref.h"

#include <windows.h>
#include <wbemcli.h>

#include <vector>

// The class definitions one connection has fetched, kept while the connection lives, so that a
// method call costs one round trip (its ExecMethod) instead of two. Signatures and in-parameter
// instances still come from the kept class, locally, for every call. A fetch that fails is not
// kept: the next call asks the host again.
class ClassCache {
public:
    // The class object named `className` (WMI names: without regard to case): the kept one, or
    // fetched with IWbemServices::GetObject and kept. The failing status and a null object when
    // the host has no such class.
    HRESULT Fetch(IWbemServices* services, const wchar_t* className,
                  ComRef<IWbemClassObject>& classObject);
    // Releases every kept class (a new connection, or none).
    void Clear() { entries_.clear(); }

private:
    struct Entry {
        WideString name;
        ComRef<IWbemClassObject> object;
    };
    std::vector<Entry> entries_;
};
