#pragma once
// The classes of the simulated provider: their properties with CIM types, keys, ancestry and
// methods with their parameter signatures.
#include "hostsim/provider_version.h"

#include <wbemcli.h>

#include <string>
#include <vector>

namespace hostsim {

struct PropertyDef {
    std::wstring name;
    CIMTYPE type;
    bool optional = false;  // in-parameters: may be left NULL
};

struct MethodDef {
    std::wstring name;
    std::vector<PropertyDef> in;   // required unless marked optional
    std::vector<PropertyDef> out;  // ReturnValue (uint32) first
};

struct ClassDef {
    std::wstring name;
    std::vector<std::wstring> derivation;  // superclass first, root last
    std::vector<PropertyDef> properties;
    std::vector<std::wstring> keys;        // in path order
    std::vector<MethodDef> methods;

    const PropertyDef* FindProperty(const std::wstring& name) const;
    const MethodDef* FindMethod(const std::wstring& name) const;
    bool IsA(const std::wstring& className) const;  // this class or one of its ancestors
};

// The classes of one provider version and release. The first release of the first version lacks
// Msvm_Keyboard.TypeScancodes; the second version always has it, and its settings class follows a
// newer CIM schema (VirtualSystemIdentifier and VirtualSystemType instead of SystemName and SettingType).
class Schema {
public:
    static const Schema& For(ProviderVersion version, bool withTypeScancodes);
    const ClassDef* Find(const std::wstring& name) const;
    // True for the provider's classes and for the CIM classes they derive from.
    bool IsKnownClass(const std::wstring& name) const;
    const std::vector<ClassDef>& Classes() const { return classes_; }

private:
    Schema(ProviderVersion version, bool withTypeScancodes);
    std::vector<ClassDef> classes_;
};

// The classes of the failover cluster provider (root\MSCluster) that the simulator answers
// (cluster_schema.cpp).
std::vector<ClassDef> ClusterClasses();

// The signature class of a method's parameters: "__PARAMETERS" with the given properties.
ClassDef ParametersClass(const std::vector<PropertyDef>& parameters);

}  // namespace hostsim
