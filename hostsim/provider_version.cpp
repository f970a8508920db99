#include "hostsim/provider_version.h"

#include "hostsim/text_util.h"

#include <string>

namespace hostsim {

const wchar_t* NamespaceOf(ProviderVersion version) {
    switch (version) {
    case ProviderVersion::V2: return L"root\\virtualization\\v2";
    case ProviderVersion::Cluster: return L"root\\MSCluster";
    default: return L"root\\virtualization";
    }
}

std::optional<ProviderVersion> VersionOfNamespace(std::wstring_view nameSpace) {
    std::wstring text(nameSpace);
    for (auto& c : text)
        if (c == L'/') c = L'\\';
    for (ProviderVersion v : {ProviderVersion::V1, ProviderVersion::V2, ProviderVersion::Cluster})
        if (IEquals(text, NamespaceOf(v))) return v;
    return std::nullopt;
}

}  // namespace hostsim
