#include "wmi/cluster_query.h"
#include "wmi/host_values.h"
#include "wmi/wmi_session.h"

#include <vector>

namespace {
// A cluster has at most 64 nodes; these bounds only keep a host that never ends its answer
// from holding the program.
constexpr size_t MaxNodes = 256, MaxVms = 16384;
constexpr ULONG BatchSize = 64;

void BuildClusterPath(const wchar_t* server, WideString& path) {
    path.Clear();
    if (server && server[0] && !(server[0] == L'.' && server[1] == 0)) {
        path.Append(L"\\\\");
        path.Append(server);
        path.Append(L"\\");
    }
    path.Append(L"root\\MSCluster");
}

// Runs the query and hands each object to `take` until the result set ends or `limit` objects came.
template <class Take>
HRESULT EachObject(IWbemServices* services, const WmiCredentials& credentials, const wchar_t* query, size_t limit,
                   WideString& errorText, Take take) {
    ComRef<IEnumWbemClassObject> enumerator;
    HRESULT hr = OpenQuery(services, credentials, query, enumerator, errorText);
    if (FAILED(hr)) return hr;
    std::vector<ComRef<IWbemClassObject>> batch;
    size_t seen = 0;
    do {
        batch.clear();
        hr = NextObjects(enumerator.Get(), BatchSize, batch, errorText);
        if (hr == HostSilent) return hr;  // an answer that never ends is no answer
        for (const ComRef<IWbemClassObject>& object : batch)
            if (seen++ < limit) take(object.Get());
    } while (batch.size() == BatchSize && seen < limit);
    return 0;
}

void ReadText(IWbemClassObject* object, const wchar_t* name, WideString& out) {
    Variant value;
    ReadProperty(object, name, value);
    out.Assign(value.Text() ? value.Text() : L"");
}

// The VmId of a resource's private properties (an embedded object of a class per resource type).
void ReadVmId(IWbemClassObject* resource, WideString& vmId) {
    vmId.Clear();
    Variant properties;
    ReadProperty(resource, L"PrivateProperties", properties);
    const VARIANT& v = *properties.Get();
    if (V_VT(&v) != VT_UNKNOWN || !V_UNKNOWN(&v)) return;
    ComRef<IWbemClassObject> embedded;
    if (FAILED(V_UNKNOWN(&v)->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(embedded.Put()))) ||
        !embedded)
        return;
    ReadText(embedded.Get(), L"VmId", vmId);
}
}  // namespace

HRESULT QueryCluster(const wchar_t* server, const WmiCredentials& credentials, bool withNodes, ClusterInfo& cluster,
                     WideString& errorText) {
    cluster = ClusterInfo{};
    WideString path;
    BuildClusterPath(server, path);
    ComRef<IWbemServices> services;
    HRESULT hr = ConnectSecured(path.c_str(), credentials, services, errorText);
    if (FAILED(hr)) return hr;
    if (withNodes) {
        hr = EachObject(services.Get(), credentials, L"Select * from MSCluster_Cluster", 1, errorText,
                        [&](IWbemClassObject* object) { ReadText(object, L"Name", cluster.name); });
        if (SUCCEEDED(hr))
            hr = EachObject(services.Get(), credentials, L"Select * from MSCluster_Node", MaxNodes, errorText,
                            [&](IWbemClassObject* object) {
                                ClusterNode node;
                                ReadText(object, L"Name", node.name);
                                Variant state;
                                ReadProperty(object, L"State", state);
                                uint32_t value = 0;  // uint32: "unknown" is -1 as 0xFFFFFFFF
                                node.state = AsUint32(*state.Get(), value) ? static_cast<int32_t>(value) : -1;
                                if (!node.name.Empty()) cluster.nodes.push_back(node);
                            });
        if (FAILED(hr)) return hr;
    }
    // "Virtual Machine Configuration" resources carry the VmId too: only the machines' own count.
    return EachObject(services.Get(), credentials,
                      L"Select * from MSCluster_Resource where Type = 'Virtual Machine'", MaxVms, errorText,
                      [&](IWbemClassObject* object) {
                          ClusterVm vm;
                          ReadVmId(object, vm.vmId);
                          ReadText(object, L"OwnerNode", vm.ownerNode);
                          cluster.vms.push_back(vm);
                      });
}
