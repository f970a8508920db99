#include "console/main_wnd.h"
#include "dialogs/add_host_dlg.h"
#include "resources/resource.h"
#include "shell/app.h"
#include "wmi/cluster_listing.h"

#include <cwchar>

// What the command line asks for, done once the window shows: SERVER and MACHINE open the machine
// at once with the caller's own logon; with /user, or SERVER alone, or when the machine asked for
// is not one machine of the host's list (none, two of that name, or no list at all), the Connect
// dialog opens filled in, and nothing is opened behind the user's back. /overview shows the servers
// in the overview; with /user the password is asked once, for all of them.

namespace {
constexpr UINT StartupMessage = WM_APP + 1;

bool Matches(const CommandLine& line, const MachineEntry& entry) {
    if (line.machineIsId) return _wcsicmp(entry.name.c_str(), line.machine.c_str()) == 0;
    return _wcsicmp(entry.elementName.c_str(), line.machine.c_str()) == 0;
}
}  // namespace

void MainWnd::StartWith(const CommandLine& commandLine) {
    startup = commandLine;
    if (startup.full) EnterFullScreen();
    if (!startup.servers.empty()) PostMessageW(hwnd, StartupMessage, 0, 0);
}

void MainWnd::OpenOverviewOf(const CommandLine& line) {
    if (!line.hasUser) {
        overview.Open(line.servers);
        return;
    }
    overview.Open();
    // The Add Host dialog asks the password, filled in with the first server and the user; the
    // logon that connects it is the one of every other server named.
    AddHostDlg dialog;
    dialog.server = line.servers.front();
    dialog.user = line.user;
    dialog.passwordFirst = true;
    std::unique_ptr<OverviewHost> first;
    dialog.tryHost = [&](const WideString& typedServer, const WideString& typedUser, const WideString& password,
                         WideString& errorText) -> HRESULT {
        auto host = std::make_unique<OverviewHost>();
        host->server = typedServer;
        host->conn.SetCredentials(typedUser.c_str(), password.c_str());
        const HRESULT hr = ConnectHost(*host, errorText);
        if (hr == 0) first = std::move(host);
        return hr;
    };
    if (dialog.RunModal(AppInstance(), IDD_ADD_HOST, overview.hwnd) != IDOK || !first) return;
    std::vector<std::unique_ptr<OverviewHost>> others;
    for (size_t i = 1; i < line.servers.size(); ++i) {
        if (_wcsicmp(line.servers[i].c_str(), first->server.c_str()) == 0) continue;
        auto host = std::make_unique<OverviewHost>();
        host->server = line.servers[i];
        host->conn.credentials.CopyFrom(first->conn.credentials);
        others.push_back(std::move(host));
    }
    overview.AddServerHosts(std::move(first));
    for (auto& host : others) overview.AddServerHosts(std::move(host));
}

void MainWnd::OnStartup() {
    const CommandLine& line = startup;
    if (line.overview) {
        OpenOverviewOf(line);
        return;
    }
    ConnectDlg dialog;
    dialog.server = line.servers.front();
    dialog.user = line.user;
    // The dialog selects what was asked for once it lists the host.
    if (line.machineIsId) dialog.vmId = line.machine;
    else dialog.vmName = line.machine;

    if (line.hasUser) {
        dialog.passwordFirst = true;
    } else if (line.machine.Empty()) {
        dialog.listAtStart = true;
    } else {
        std::vector<MachineEntry> entries;
        WideString errorText;
        // A cluster node or the cluster's name lists every node's machines, as the dialog would.
        ClusterInfo listedCluster;
        WideString skipped;
        const HRESULT listed =
            ListServerMachines(dialog.server.c_str(), L"", L"", entries, listedCluster, skipped, errorText);
        if (listed != 0) {
            BuildConnectErrorText(errorText, listed, dialog.startError);
        } else {
            const MachineEntry* found = nullptr;
            size_t count = 0;
            for (const MachineEntry& entry : entries)
                if (Matches(line, entry)) found = &entry, ++count;
            if (count == 1) {
                server = dialog.server;
                user.Clear();
                vmName = found->elementName;
                vmId = found->name;
                vmNode = found->node;
                vmClustered = found->clustered;
                cluster = listedCluster;
                WideString noPassword;
                OpenChosenMachine(noPassword);
                return;
            }
            dialog.startError.Assign(dialog.server.c_str());
            if (count == 0) {
                dialog.startError.Append(L" has no machine ");
                dialog.startError.Append(line.machine);
                dialog.startError.Append(L".");
            } else {
                wchar_t many[32];
                std::swprintf(many, 32, L" has %u machines named ", static_cast<unsigned>(count));
                dialog.startError.Append(many);
                dialog.startError.Append(line.machine);
                dialog.startError.Append(L": pick one and press Open.");
                dialog.vmName.Clear();  // nothing selected: the user picks
                dialog.vmId.Clear();
            }
            dialog.startEntries = std::move(entries);
        }
    }
    RunConnectDialog(dialog);
}
