#pragma once
#include "shell/wide_string.h"
#include "wmi/com_ref.h"
#include "wmi/provider_namespace.h"
#include "wmi/wmi_credentials.h"

#include <windows.h>
#include <wbemcli.h>

// Connects `services` to the Hyper-V provider of `server` ("" or "." = this machine) with the
// credentials, and secures it. Hosts answer root\virtualization (up to Windows Server 2012),
// root\virtualization\v2 (from Windows Server 2012 and Windows 8 on) or both: the namespace the
// server answered before in this process is asked first, else the first version's; when the host
// answers "invalid namespace", the other one is asked on the same server with the same
// credentials. `version` receives the namespace that answered.
//
// Which error the caller sees: when neither namespace exists, the first attempt's; when the
// second attempt fails for any other reason (refused logon, host gone), the second attempt's,
// since that is the one that says what to fix. Only a namespace that answered is remembered.
HRESULT ConnectProvider(const wchar_t* server, const WmiCredentials& credentials,
                        ComRef<IWbemServices>& services, ProviderVersion& version,
                        WideString& errorText);
