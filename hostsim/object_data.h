#pragma once
// The contents of one WMI object (class, instance, method parameters or embedded object) as a
// property bag, without any COM around it.
#include "hostsim/class_schema.h"
#include "hostsim/provider_version.h"
#include "hostsim/wbem_value.h"

#include <memory>
#include <string>
#include <vector>

namespace hostsim {

struct ObjectData {
    std::shared_ptr<const ClassDef> cls;
    bool isClass = false;            // a class definition rather than an instance
    std::vector<PropValue> values;   // one per cls->properties, in that order
    std::wstring server;             // computer name of __SERVER and __PATH; "" when the object has no path
    ProviderVersion version = ProviderVersion::V1;  // whose namespace __NAMESPACE and __PATH name
    std::wstring relPath;            // Class.Key="..." (a class: its name); "" when the object has no path
    std::wstring method;             // parameter objects: the method they belong to
    std::wstring ownerClass;         // parameter objects: the class declaring that method

    // The value slot of a property (case-insensitive name), or nullptr.
    PropValue* Find(const std::wstring& name);
    const PropValue* Find(const std::wstring& name) const;
    void Set(const std::wstring& name, const PropValue& value);  // the property must exist
    std::wstring Path() const;       // \\server\namespace:relPath, or "" without a path
    std::wstring ClassName() const { return cls->name; }
    // Fills relPath from the key properties' current values.
    void SetPathFromKeys(const std::wstring& computerName, ProviderVersion providerVersion);
};

// A class of the schema: the definition object GetObject returns.
std::shared_ptr<ObjectData> NewClassObject(const ClassDef& cls, const std::wstring& computerName,
                                           ProviderVersion version);
// An instance of a class of the schema with every property NULL and no path yet.
std::shared_ptr<ObjectData> NewInstance(const ClassDef& cls);
// The signature (isClass) or an instance of a method's in- or out-parameters.
std::shared_ptr<ObjectData> NewParameters(const ClassDef& owner, const MethodDef& method, bool in, bool isClass);
// A fresh instance of the same class as `source` (properties NULL, no path).
std::shared_ptr<ObjectData> SpawnFrom(const ObjectData& source);

}  // namespace hostsim
