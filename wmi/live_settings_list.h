#pragma once
#include "shell/wide_string.h"
#include "wmi/provider_namespace.h"
#include "wmi/wmi_credentials.h"

#include <windows.h>
#include <wbemcli.h>

#include <vector>

// Every machine of a host with its live settings, in one query: the settings objects carry the
// machine's display name and identifier, and their paths are what GetSummaryInformation takes.
// Checkpoints' settings are left out by the query, as the console's open leaves them out.
struct ListedMachine {
    WideString name;          // identifier (a GUID)
    WideString elementName;   // display name
    WideString settingsPath;  // the live settings' __PATH
};

// Returns 0 with the machines in the order the host delivers them, or the failing call's
// HRESULT with a text: a listing cut short by a failure is a failure, not a shorter list.
HRESULT ListLiveSettings(IWbemServices* services, const WmiCredentials& credentials, ProviderVersion version,
                         std::vector<ListedMachine>& machines, WideString& errorText);
