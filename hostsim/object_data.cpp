#include "hostsim/object_data.h"

#include "hostsim/object_path.h"
#include "hostsim/text_util.h"

namespace hostsim {

namespace {

// Schema classes live for the whole process: share them without owning them.
std::shared_ptr<const ClassDef> Unowned(const ClassDef& cls) { return {std::shared_ptr<const ClassDef>{}, &cls}; }

std::shared_ptr<ObjectData> WithNulls(std::shared_ptr<const ClassDef> cls, bool isClass) {
    auto data = std::make_shared<ObjectData>();
    data->values.resize(cls->properties.size());
    data->cls = std::move(cls);
    data->isClass = isClass;
    return data;
}

}  // namespace

PropValue* ObjectData::Find(const std::wstring& name) {
    for (size_t i = 0; i < cls->properties.size(); ++i)
        if (IEquals(cls->properties[i].name, name)) return &values[i];
    return nullptr;
}

const PropValue* ObjectData::Find(const std::wstring& name) const {
    return const_cast<ObjectData*>(this)->Find(name);
}

void ObjectData::Set(const std::wstring& name, const PropValue& value) {
    if (PropValue* slot = Find(name)) *slot = value;
}

std::wstring ObjectData::Path() const {
    if (relPath.empty()) return {};
    return L"\\\\" + server + L"\\" + NamespaceOf(version) + L":" + relPath;
}

void ObjectData::SetPathFromKeys(const std::wstring& computerName, ProviderVersion providerVersion) {
    std::vector<std::pair<std::wstring, std::wstring>> keys;
    for (const auto& key : cls->keys) {
        const PropValue* v = Find(key);
        keys.emplace_back(key, v && V_VT(&v->Get()) == VT_BSTR ? V_BSTR(&v->Get()) : L"");
    }
    server = computerName;
    version = providerVersion;
    relPath = FormatRelativePath(cls->name, keys);
}

std::shared_ptr<ObjectData> NewClassObject(const ClassDef& cls, const std::wstring& computerName,
                                           ProviderVersion version) {
    auto data = WithNulls(Unowned(cls), true);
    data->server = computerName;
    data->version = version;
    data->relPath = cls.name;
    return data;
}

std::shared_ptr<ObjectData> NewInstance(const ClassDef& cls) { return WithNulls(Unowned(cls), false); }

std::shared_ptr<ObjectData> NewParameters(const ClassDef& owner, const MethodDef& method, bool in, bool isClass) {
    auto data = WithNulls(std::make_shared<const ClassDef>(ParametersClass(in ? method.in : method.out)), isClass);
    data->method = method.name;
    data->ownerClass = owner.name;
    return data;
}

std::shared_ptr<ObjectData> SpawnFrom(const ObjectData& source) {
    auto data = WithNulls(source.cls, false);
    data->method = source.method;
    data->ownerClass = source.ownerClass;
    return data;
}

}  // namespace hostsim
