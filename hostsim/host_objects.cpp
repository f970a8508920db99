#include "hostsim/host_objects.h"

#include "hostsim/text_util.h"

namespace hostsim {
namespace {

constexpr uint16_t kEnabled = 2, kHealthOk = 5;

class Builder {
public:
    Builder(Host& host, std::vector<HostInstance>& out) : host_(host), out_(out) {}

    std::shared_ptr<ObjectData> Add(Role role, Machine* machine, int index, const wchar_t* className) {
        const ClassDef* cls = host_.schema->Find(className);
        auto data = NewInstance(*cls);
        out_.push_back({role, machine, index, data});
        return data;
    }

    void Finish(ObjectData& data) { data.SetPathFromKeys(host_.hostName); }

    void ComputerSystem(Machine* m) {
        auto d = Add(m ? Role::VmSystem : Role::HostSystem, m, 0, L"Msvm_ComputerSystem");
        std::wstring name = m ? m->name : host_.hostName;
        d->Set(L"Caption", PropValue::String(m ? L"Virtual Machine" : L"Hosting Computer System"));
        d->Set(L"Description",
               PropValue::String(m ? L"Microsoft Virtual Machine" : L"Microsoft Hosting Computer System"));
        d->Set(L"CreationClassName", PropValue::String(L"Msvm_ComputerSystem"));
        d->Set(L"ElementName", PropValue::String(m ? m->elementName : host_.hostName));
        d->Set(L"Name", PropValue::String(name));
        d->Set(L"EnabledState", PropValue::I4(kEnabled));
        d->Set(L"HealthState", PropValue::I4(kHealthOk));
        if (m) {
            d->Set(L"OnTimeInMilliseconds", PropValue::String(L"3600000"));
            d->Set(L"ProcessID", PropValue::I4(4000 + static_cast<int>(out_.size())));
        }
        Finish(*d);
    }

    void Settings(Machine& m, int index) {
        auto d = Add(Role::Settings, &m, index, L"Msvm_VirtualSystemSettingData");
        std::wstring id = index == 0 ? m.name : m.name.substr(0, 24) + SnapshotSuffix(index);
        d->Set(L"Caption", PropValue::String(index == 0 ? L"Virtual Machine Settings" : L"Snapshot Settings"));
        d->Set(L"ElementName", PropValue::String(index == 0 ? m.elementName
                                                            : m.elementName + L" - Snapshot " + std::to_wstring(index)));
        d->Set(L"InstanceID", PropValue::String(L"Microsoft:" + id));
        d->Set(L"SystemName", PropValue::String(m.name));
        d->Set(L"SettingType", PropValue::I4(index == 0 ? 3 : 5));
        Finish(*d);
    }

    void Service() {
        auto d = Add(Role::Service, nullptr, 0, L"Msvm_VirtualSystemManagementService");
        d->Set(L"Caption", PropValue::String(L"Hyper-V Virtual System Management Service"));
        d->Set(L"CreationClassName", PropValue::String(L"Msvm_VirtualSystemManagementService"));
        d->Set(L"Description", PropValue::String(L"Service that manages virtual machines"));
        d->Set(L"ElementName", PropValue::String(L"Virtual Machine Management Service"));
        d->Set(L"EnabledState", PropValue::I4(kEnabled));
        d->Set(L"HealthState", PropValue::I4(kHealthOk));
        d->Set(L"Name", PropValue::String(L"vmms"));
        d->Set(L"Started", PropValue::Bool(true));
        d->Set(L"SystemCreationClassName", PropValue::String(L"Msvm_ComputerSystem"));
        d->Set(L"SystemName", PropValue::String(host_.hostName));
        Finish(*d);
    }

    std::shared_ptr<ObjectData> Device(Role role, Machine& m, int index, const wchar_t* className,
                                       const std::wstring& deviceId, const wchar_t* elementName, uint16_t state) {
        auto d = Add(role, &m, index, className);
        d->Set(L"Caption", PropValue::String(elementName));
        d->Set(L"CreationClassName", PropValue::String(className));
        d->Set(L"Description", PropValue::String(elementName));
        d->Set(L"DeviceID", PropValue::String(L"Microsoft:" + m.name + L"\\" + deviceId));
        d->Set(L"ElementName", PropValue::String(elementName));
        d->Set(L"EnabledState", PropValue::I4(state));
        d->Set(L"HealthState", PropValue::I4(kHealthOk));
        d->Set(L"SystemCreationClassName", PropValue::String(L"Msvm_ComputerSystem"));
        d->Set(L"SystemName", PropValue::String(m.name));
        Finish(*d);
        return d;
    }

    void VideoHead(Machine& m, int index, const wchar_t* controllerId) {
        auto d = Device(Role::VideoHead, m, index, L"Msvm_VideoHead", std::wstring(controllerId) + L"\\VideoHead0",
                        L"Video Head", kEnabled);
        d->Set(L"CurrentBitsPerPixel", PropValue::I4(16));
        d->Set(L"CurrentHorizontalResolution", PropValue::I4(m.width));
        d->Set(L"CurrentVerticalResolution", PropValue::I4(m.height));
    }

private:
    static std::wstring SnapshotSuffix(int index) {
        wchar_t text[16];
        swprintf(text, 16, L"%012X", 0x5A000000 + index);
        return text;
    }

    Host& host_;
    std::vector<HostInstance>& out_;
};

}  // namespace

std::vector<HostInstance> HostInstances(Host& host) {
    std::vector<HostInstance> all;
    Builder b(host, all);
    b.ComputerSystem(nullptr);
    for (auto& m : host.machines) b.ComputerSystem(m.get());
    for (auto& m : host.machines) {
        if (!m->settingData) continue;
        // Snapshots come first, as they do on a host where they were taken before the last start.
        for (int i = 1; i <= m->snapshots; ++i) b.Settings(*m, i);
        b.Settings(*m, 0);
    }
    b.Service();
    for (auto& m : host.machines) {
        if (m->display == "synthetic") {
            b.Device(Role::SyntheticDisplay, *m, 0, L"Msvm_SyntheticDisplayController", L"SyntheticDisplay",
                     L"Synthetic Display Controller", kEnabled);
            b.VideoHead(*m, 0, L"SyntheticDisplay");
        } else if (m->display == "s3") {
            b.Device(Role::S3Display, *m, 0, L"Msvm_S3DisplayController", L"S3Display", L"S3 Display Controller",
                     kEnabled);
            b.VideoHead(*m, 1, L"S3Display");
        }
        if (m->HasSyntheticMouse())
            b.Device(Role::SyntheticMouse, *m, 0, L"Msvm_SyntheticMouse", L"SyntheticMouse", L"Synthetic Mouse",
                     m->mouseEnabledState);
        if (m->HasPs2Mouse())
            b.Device(Role::Ps2Mouse, *m, 0, L"Msvm_Ps2Mouse", L"Ps2Mouse", L"PS/2 Mouse", kEnabled);
        if (m->keyboard)
            b.Device(Role::Keyboard, *m, 0, L"Msvm_Keyboard", L"Ps2Keyboard", L"Keyboard", kEnabled);
    }
    return all;
}

const HostInstance* FindInstance(const std::vector<HostInstance>& all, const ObjectPath& path) {
    if (path.keys.empty()) return nullptr;
    for (const auto& inst : all) {
        const ObjectData& d = *inst.data;
        if (!IEquals(d.ClassName(), path.className) || d.cls->keys.size() != path.keys.size()) continue;
        bool same = true;
        for (const auto& [key, value] : path.keys) {
            bool isKey = false;
            for (const auto& k : d.cls->keys) isKey = isKey || IEquals(k, key);
            const PropValue* v = d.Find(key);
            if (!isKey || !v || V_VT(&v->Get()) != VT_BSTR || !IEquals(V_BSTR(&v->Get()), value)) {
                same = false;
                break;
            }
        }
        if (same) return &inst;
    }
    return nullptr;
}

bool Associated(const HostInstance& a, const HostInstance& b) {
    auto linked = [](const HostInstance& x, const HostInstance& y) {
        switch (x.role) {
        case Role::HostSystem: return y.role == Role::Service || y.role == Role::VmSystem;
        case Role::VmSystem: return y.machine == x.machine && y.role != Role::VmSystem;
        case Role::SyntheticDisplay: return y.machine == x.machine && y.role == Role::VideoHead && y.index == 0;
        case Role::S3Display: return y.machine == x.machine && y.role == Role::VideoHead && y.index == 1;
        default: return false;
        }
    };
    return linked(a, b) || linked(b, a);
}

bool IsOurNamespace(const ObjectPath& path) { return path.nameSpace.empty() || IEquals(path.nameSpace, kNamespace); }

}  // namespace hostsim
