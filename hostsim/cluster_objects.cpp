#include "hostsim/engine.h"
#include "hostsim/host_objects.h"
#include "hostsim/text_util.h"
#include "hostsim/wbem_object.h"

// The objects of root\MSCluster: the cluster, its nodes, one group per clustered machine with two
// resources (the machine, and its configuration, both carrying the machine's VmId in their private
// properties), and the associations between them. Every node answers for the whole cluster.

namespace hostsim {
namespace {

constexpr int32_t kGroupTypeVirtualMachine = 111;
// MSCluster_Resource.State, and MSCluster_ResourceGroup.State (other numbers).
constexpr int32_t kResourceOnline = 2, kResourceOffline = 3, kResourceOnlinePending = 129,
                  kResourceOfflinePending = 130;
constexpr int32_t kGroupOnline = 0, kGroupOffline = 1, kGroupPending = 4;

// A clustered machine as the cluster sees it: which node owns it, and its resource's state.
struct ClusteredRole {
    Machine* machine;
    Host* owner;
    int32_t resourceState, groupState;
    int32_t migrationProgress;
};

ClusteredRole Describe(const Cluster& cluster, Machine& m, Host* owner) {
    ClusteredRole r{&m, owner, kResourceOnline, kGroupOnline, 0};
    const bool running = m.power != Power::Off && m.power != Power::Saved;
    if (!running) {
        r.resourceState = kResourceOffline;
        r.groupState = kGroupOffline;
    }
    if (const Migration* move = cluster.MigrationOf(m)) {
        switch (move->stage) {
        case Migration::Stage::Migrating: r.migrationProgress = 50; break;
        case Migration::Stage::Saving: r.resourceState = kResourceOfflinePending; r.groupState = kGroupPending; break;
        case Migration::Stage::InTransit:
        case Migration::Stage::Starting: r.resourceState = kResourceOnlinePending; r.groupState = kGroupPending; break;
        default: break;
        }
    }
    return r;
}

class ClusterBuilder {
public:
    ClusterBuilder(const HostView& view, const std::wstring& className, std::vector<HostInstance>& out)
        : view_(view), cluster_(*view.host->cluster), className_(className), out_(out),
          host_(Engine::Instance().Shared(view.host)) {}

    bool Wants(const wchar_t* name) const {
        if (className_.empty()) return true;
        const ClassDef* cls = view_.schema().Find(name);
        return cls && cls->IsA(className_);
    }

    std::shared_ptr<ObjectData> Add(Role role, Machine* machine, int index, const wchar_t* className) {
        auto data = NewInstance(*view_.schema().Find(className));
        out_.push_back({role, machine, index, data});
        return data;
    }
    void Finish(ObjectData& d) { d.SetPathFromKeys(view_.host->hostName, ProviderVersion::Cluster); }
    std::wstring PathOf(const wchar_t* className, const std::wstring& name) {
        auto d = NewInstance(*view_.schema().Find(className));
        d->Set(L"Name", PropValue::String(name));
        Finish(*d);
        return d->Path();
    }

    void Build() {
        std::vector<ClusteredRole> roles;
        for (Host* node : cluster_.nodes)
            for (auto& m : node->machines)
                if (!m->clusterGroup.empty()) roles.push_back(Describe(cluster_, *m, node));
        // A machine between nodes (its node failed) stays the resource of the node that had it.
        for (const Migration& move : cluster_.migrations)
            if (move.inTransit) roles.push_back(Describe(cluster_, *move.inTransit, move.source));

        if (Wants(L"MSCluster_Cluster")) {
            auto d = Add(Role::ClusterObject, nullptr, 0, L"MSCluster_Cluster");
            d->Set(L"Name", PropValue::String(cluster_.name));
            d->Set(L"Fqdn", PropValue::String(cluster_.name + L".lab.local"));
            Finish(*d);
        }
        if (Wants(L"MSCluster_Node"))
            for (size_t i = 0; i < cluster_.nodes.size(); ++i) {
                auto d = Add(Role::ClusterNode, nullptr, static_cast<int>(i), L"MSCluster_Node");
                d->Set(L"Name", PropValue::String(cluster_.nodes[i]->hostName));
                d->Set(L"State", PropValue::I4(static_cast<int32_t>(cluster_.nodes[i]->nodeState)));
                d->Set(L"NodeWeight", PropValue::I4(1));
                Finish(*d);
            }
        if (Wants(L"MSCluster_Resource"))
            for (const ClusteredRole& r : roles) {
                Resource(r, false);
                Resource(r, true);
            }
        if (Wants(L"MSCluster_ResourceGroup"))
            for (const ClusteredRole& r : roles) {
                auto d = Add(Role::ClusterGroup, r.machine, 0, L"MSCluster_ResourceGroup");
                d->Set(L"Name", PropValue::String(r.machine->clusterGroup));
                d->Set(L"OwnerNode", PropValue::String(r.owner->hostName));
                d->Set(L"GroupType", PropValue::I4(kGroupTypeVirtualMachine));
                d->Set(L"State", PropValue::I4(r.groupState));
                Finish(*d);
            }
        Links(roles);
    }

private:
    static std::wstring ResourceName(const Machine& m, bool configuration) {
        return (configuration ? L"Virtual Machine Configuration " : L"Virtual Machine ") + m.clusterGroup;
    }

    void Resource(const ClusteredRole& r, bool configuration) {
        auto d = Add(Role::ClusterResource, r.machine, configuration ? 1 : 0, L"MSCluster_Resource");
        d->Set(L"Name", PropValue::String(ResourceName(*r.machine, configuration)));
        d->Set(L"Type", PropValue::String(configuration ? L"Virtual Machine Configuration" : L"Virtual Machine"));
        d->Set(L"State", PropValue::I4(configuration ? kResourceOnline : r.resourceState));
        d->Set(L"OwnerGroup", PropValue::String(r.machine->clusterGroup));
        d->Set(L"OwnerNode", PropValue::String(r.owner->hostName));
        const wchar_t* propertyClass = configuration ? L"MSCluster_Property_Resource_Virtual_Machine_Configuration"
                                                     : L"MSCluster_Property_Resource_Virtual_Machine";
        auto p = NewInstance(*view_.schema().Find(propertyClass));
        p->Set(L"VmId", PropValue::String(r.machine->name));
        if (configuration) {
            p->Set(L"ConfigStoreRootPath", PropValue::String(L"C:\\ClusterStorage\\Volume1\\" + r.machine->clusterGroup));
        } else {
            p->Set(L"VmState", PropValue::I4(EnabledStateOf(r.machine->power, ProviderVersion::V1)));
            p->Set(L"MigrationProgress", PropValue::I4(r.migrationProgress));
            p->Set(L"MigrationState", PropValue::I4(r.migrationProgress ? 1 : 0));
            p->Set(L"OfflineAction", PropValue::I4(1));
        }
        IWbemClassObject* embedded = WbemObject::Create(std::move(p), host_);
        d->Set(L"PrivateProperties", PropValue::Object(embedded));
        embedded->Release();
        Finish(*d);
    }

    void Link(const wchar_t* className, const wchar_t* one, const std::wstring& onePath, const wchar_t* other,
              const std::wstring& otherPath) {
        auto d = Add(Role::ClusterLink, nullptr, 0, className);
        d->Set(one, PropValue::String(onePath));
        d->Set(other, PropValue::String(otherPath));
        Finish(*d);
    }

    void Links(const std::vector<ClusteredRole>& roles) {
        if (Wants(L"MSCluster_ClusterToNode")) {
            const std::wstring cluster = PathOf(L"MSCluster_Cluster", cluster_.name);
            for (Host* node : cluster_.nodes)
                Link(L"MSCluster_ClusterToNode", L"Antecedent", cluster, L"Dependent",
                     PathOf(L"MSCluster_Node", node->hostName));
        }
        for (const ClusteredRole& r : roles) {
            const std::wstring node = PathOf(L"MSCluster_Node", r.owner->hostName),
                               group = PathOf(L"MSCluster_ResourceGroup", r.machine->clusterGroup);
            for (bool configuration : {false, true}) {
                const std::wstring resource = PathOf(L"MSCluster_Resource", ResourceName(*r.machine, configuration));
                if (Wants(L"MSCluster_NodeToActiveResource"))
                    Link(L"MSCluster_NodeToActiveResource", L"GroupComponent", node, L"PartComponent", resource);
                if (Wants(L"MSCluster_ResourceGroupToResource"))
                    Link(L"MSCluster_ResourceGroupToResource", L"GroupComponent", group, L"PartComponent", resource);
            }
            if (Wants(L"MSCluster_NodeToActiveGroup"))
                Link(L"MSCluster_NodeToActiveGroup", L"GroupComponent", node, L"PartComponent", group);
        }
    }

    const HostView& view_;
    const Cluster& cluster_;
    const std::wstring& className_;
    std::vector<HostInstance>& out_;
    std::shared_ptr<Host> host_;
};

std::wstring Text(const HostInstance& i, const wchar_t* property) {
    const PropValue* v = i.data->Find(property);
    return v && V_VT(&v->Get()) == VT_BSTR ? std::wstring(V_BSTR(&v->Get())) : std::wstring();
}

}  // namespace

std::vector<HostInstance> ClusterInstances(const HostView& view, const std::wstring& className) {
    std::vector<HostInstance> all;
    if (!view.host->cluster) return all;
    ClusterBuilder(view, className, all).Build();
    return all;
}

bool ClusterAssociated(const HostInstance& a, const HostInstance& b) {
    auto linked = [](const HostInstance& x, const HostInstance& y) {
        switch (x.role) {
        case Role::ClusterObject: return y.role == Role::ClusterNode;
        case Role::ClusterNode:
            return (y.role == Role::ClusterResource || y.role == Role::ClusterGroup) &&
                   IEquals(Text(y, L"OwnerNode"), Text(x, L"Name"));
        case Role::ClusterGroup: return y.role == Role::ClusterResource && y.machine == x.machine;
        default: return false;
        }
    };
    return linked(a, b) || linked(b, a);
}

}  // namespace hostsim
