#pragma once
#include "shell/wide_string.h"

#include <vector>

// Which of the Hyper-V provider's two namespaces a host answers, and the memory of it per server.
// No platform headers, so it can be tested natively.

// root\virtualization (Windows Server 2008 to 2012) and root\virtualization\v2 (Windows Server
// 2012 and every later host, Windows 8 and later). A host answers one or both.
enum class ProviderVersion { First, Second };

// "root\virtualization[\v2]" for an empty server or exactly "."; otherwise
// "\\" + server as typed + "\root\virtualization[\v2]".
void BuildNamespacePath(const wchar_t* server, ProviderVersion version, WideString& path);

// Whether two server names name one computer, as Windows tells computer names apart (without
// regard to ASCII case); "" and "." are both this machine.
bool SameServer(const wchar_t* a, const wchar_t* b);

// The namespace each server answered, kept for the life of the process so that the next
// connection to the same server goes straight to it. Servers are told apart as Windows tells
// computer names apart (without regard to ASCII case); "" and "." are both this machine.
class ServerNamespaces {
public:
    // The version `server` answered last, or false when it never answered.
    bool Find(const wchar_t* server, ProviderVersion& version) const;
    void Remember(const wchar_t* server, ProviderVersion version);
    void Forget();

private:
    struct Entry {
        WideString server;
        ProviderVersion version;
    };
    std::vector<Entry> entries_;
};

// The process's one memory of server namespaces.
ServerNamespaces& KnownNamespaces();
