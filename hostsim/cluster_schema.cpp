#include "hostsim/class_schema.h"

// The classes of root\MSCluster as the vendor's cluster provider reference declares the ones a
// client of virtual machines reads: the cluster, its nodes, resources and groups, the private
// properties of a virtual machine's resources (embedded objects), and four associations.

namespace hostsim {
namespace {

const std::vector<std::wstring> kManagedElement = {L"CIM_LogicalElement", L"CIM_ManagedSystemElement",
                                                   L"CIM_ManagedElement"};

std::vector<std::wstring> Below(std::initializer_list<const wchar_t*> own) {
    std::vector<std::wstring> chain(own.begin(), own.end());
    chain.insert(chain.end(), kManagedElement.begin(), kManagedElement.end());
    return chain;
}

ClassDef Named(const wchar_t* name, std::vector<std::wstring> derivation, std::vector<PropertyDef> more) {
    std::vector<PropertyDef> props = {{L"Caption", CIM_STRING}, {L"Description", CIM_STRING}, {L"Name", CIM_STRING}};
    props.insert(props.end(), more.begin(), more.end());
    return {name, std::move(derivation), std::move(props), {L"Name"}, {}};
}

ClassDef Association(const wchar_t* name, const wchar_t* one, const wchar_t* other) {
    return {name, {}, {{one, CIM_REFERENCE}, {other, CIM_REFERENCE}}, {one, other}, {}};
}

}  // namespace

std::vector<ClassDef> ClusterClasses() {
    std::vector<ClassDef> classes;
    classes.push_back(Named(L"MSCluster_Cluster", Below({L"CIM_Cluster", L"CIM_ComputerSystem", L"CIM_System"}),
                            {{L"Fqdn", CIM_STRING}}));
    classes.push_back(Named(L"MSCluster_Node", Below({L"CIM_UnitaryComputerSystem", L"CIM_ComputerSystem", L"CIM_System"}),
                            {{L"NodeWeight", CIM_UINT32}, {L"State", CIM_UINT32}}));
    classes.push_back(Named(L"MSCluster_Resource", Below({L"CIM_ClusteringService", L"CIM_Service"}),
                            {{L"OwnerGroup", CIM_STRING},
                             {L"OwnerNode", CIM_STRING},
                             {L"PrivateProperties", CIM_OBJECT},
                             {L"State", CIM_UINT32},
                             {L"Type", CIM_STRING}}));
    classes.push_back(Named(L"MSCluster_ResourceGroup", Below({L"CIM_LogicalElement"}),
                            {{L"GroupType", CIM_UINT32}, {L"OwnerNode", CIM_STRING}, {L"State", CIM_UINT32}}));
    // The abstract class declares no members: each resource type has a subclass of its own.
    classes.push_back({L"MSCluster_Property", {}, {}, {}, {}});
    classes.push_back({L"MSCluster_Property_Resource_Virtual_Machine",
                       {L"MSCluster_Property"},
                       {{L"MigrationProgress", CIM_UINT32},
                        {L"MigrationState", CIM_UINT32},
                        {L"OfflineAction", CIM_UINT32},
                        {L"VmId", CIM_STRING},
                        {L"VmState", CIM_UINT32}},
                       {},
                       {}});
    classes.push_back({L"MSCluster_Property_Resource_Virtual_Machine_Configuration",
                       {L"MSCluster_Property"},
                       {{L"ConfigStoreRootPath", CIM_STRING}, {L"VmId", CIM_STRING}},
                       {},
                       {}});
    classes.push_back(Association(L"MSCluster_ClusterToNode", L"Antecedent", L"Dependent"));
    classes.push_back(Association(L"MSCluster_NodeToActiveResource", L"GroupComponent", L"PartComponent"));
    classes.push_back(Association(L"MSCluster_NodeToActiveGroup", L"GroupComponent", L"PartComponent"));
    classes.push_back(Association(L"MSCluster_ResourceGroupToResource", L"GroupComponent", L"PartComponent"));
    return classes;
}

}  // namespace hostsim
