#include "hostsim/host_objects.h"

#include "hostsim/localized_text.h"
#include "hostsim/text_util.h"

namespace hostsim {
namespace {

constexpr uint16_t kEnabled = 2, kDisabled = 3, kHealthOk = 5;

// Properties that, on every object of a machine that has them, carry the machine's GUID (its
// stem, for snapshot settings): a value that names no machine there names none of its objects.
const wchar_t* const kOwnerProperties[] = {L"Name", L"SystemName", L"DeviceID", L"InstanceID",
                                           L"VirtualSystemIdentifier"};

class Builder {
public:
    Builder(const HostView& view, const InstanceFilter& filter, std::vector<HostInstance>& out)
        : host_(*view.host), version_(view.version), schema_(view.schema()), filter_(filter), out_(out) {
        if (filter.machines) {
            machines_ = *filter.machines;
        } else {
            for (auto& m : host_.machines) machines_.push_back(m.get());
        }
        // A machine the host no longer has answers no query, path or association.
        std::erase_if(machines_, [](const Machine* m) { return !m->present; });
    }

    // Whether the filter lets instances of this class through.
    bool Wants(const wchar_t* className) const {
        if (filter_.className.empty()) return true;
        const ClassDef* cls = schema_.Find(className);
        return cls && cls->IsA(filter_.className);
    }
    const std::vector<Machine*>& Machines() const { return machines_; }
    bool V2() const { return version_ == ProviderVersion::V2; }

    std::shared_ptr<ObjectData> Add(Role role, Machine* machine, int index, const wchar_t* className) {
        auto data = NewInstance(*schema_.Find(className));
        out_.push_back({role, machine, index, data});
        return data;
    }

    void Finish(ObjectData& data) { data.SetPathFromKeys(host_.hostName, version_); }
    // Caption and Description as the host's language words them.
    void Describe(ObjectData& data, const wchar_t* caption, const wchar_t* description) {
        data.Set(L"Caption", PropValue::String(Localized(host_.language, caption)));
        data.Set(L"Description", PropValue::String(Localized(host_.language, description)));
    }

    void ComputerSystem(Machine* m) {
        auto d = Add(m ? Role::VmSystem : Role::HostSystem, m, 0, L"Msvm_ComputerSystem");
        std::wstring name = m ? m->name : host_.hostName;
        Describe(*d, m ? L"Virtual Machine" : L"Hosting Computer System",
                 m ? L"Microsoft Virtual Machine" : L"Microsoft Hosting Computer System");
        d->Set(L"CreationClassName", PropValue::String(L"Msvm_ComputerSystem"));
        d->Set(L"ElementName", PropValue::String(m ? m->elementName : host_.hostName));
        d->Set(L"Name", PropValue::String(name));
        d->Set(L"EnabledState", PropValue::I4(m ? m->EnabledState(version_) : kEnabled));
        d->Set(L"HealthState", PropValue::I4(kHealthOk));
        // The second version says a live migration under way in the second status.
        if (m && m->migrating && V2())
            d->Set(L"OperationalStatus", PropValue::I4Array({2, 32774}));
        else
            d->Set(L"OperationalStatus", PropValue::I4Array({2}));
        if (m) {
            d->Set(L"OnTimeInMilliseconds", PropValue::String(L"3600000"));
            // The host's own object and the machines before this one come first in the enumeration.
            d->Set(L"ProcessID", PropValue::I4(4002 + static_cast<int>(m->index)));
        }
        Finish(*d);
    }

    void Settings(Machine& m, int index) {
        auto d = Add(Role::Settings, &m, index, L"Msvm_VirtualSystemSettingData");
        std::wstring id = index == 0 ? m.name : m.name.substr(0, kGuidStemLength) + SnapshotSuffix(index);
        const wchar_t* caption = index == 0 ? L"Virtual Machine Settings" : L"Snapshot Settings";
        Describe(*d, caption, caption);
        d->Set(L"ElementName", PropValue::String(index == 0 ? m.elementName
                                                            : m.elementName + L" - Snapshot " + std::to_wstring(index)));
        d->Set(L"InstanceID", PropValue::String(L"Microsoft:" + id));
        if (V2()) {
            d->Set(L"VirtualSystemIdentifier", PropValue::String(m.name));
            d->Set(L"VirtualSystemType", PropValue::String(index == 0 ? L"Microsoft:Hyper-V:System:Realized"
                                                                      : L"Microsoft:Hyper-V:Snapshot:Realized"));
        } else {
            d->Set(L"SystemName", PropValue::String(m.name));
            d->Set(L"SettingType", PropValue::I4(index == 0 ? 3 : 5));
        }
        Finish(*d);
    }

    void Service() {
        auto d = Add(Role::Service, nullptr, 0, L"Msvm_VirtualSystemManagementService");
        Describe(*d, L"Hyper-V Virtual System Management Service", L"Service that manages virtual machines");
        d->Set(L"CreationClassName", PropValue::String(L"Msvm_VirtualSystemManagementService"));
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
        Describe(*d, elementName, elementName);
        d->Set(L"CreationClassName", PropValue::String(className));
        d->Set(L"DeviceID", PropValue::String(L"Microsoft:" + m.name + L"\\" + deviceId));
        d->Set(L"ElementName", PropValue::String(elementName));
        d->Set(L"EnabledState", PropValue::I4(state));
        d->Set(L"HealthState", PropValue::I4(kHealthOk));
        d->Set(L"SystemCreationClassName", PropValue::String(L"Msvm_ComputerSystem"));
        d->Set(L"SystemName", PropValue::String(m.name));
        Finish(*d);
        return d;
    }

    void SnapshotService() {
        auto d = Add(Role::SnapshotService, nullptr, 0, L"Msvm_VirtualSystemSnapshotService");
        d->Set(L"Caption", PropValue::String(L"Hyper-V Virtual System Snapshot Service"));
        d->Set(L"CreationClassName", PropValue::String(L"Msvm_VirtualSystemSnapshotService"));
        d->Set(L"ElementName", PropValue::String(L"Virtual System Snapshot Service"));
        d->Set(L"Name", PropValue::String(L"vssnapsvc"));
        d->Set(L"SystemCreationClassName", PropValue::String(L"Msvm_ComputerSystem"));
        d->Set(L"SystemName", PropValue::String(host_.hostName));
        Finish(*d);
    }

    void ConcreteJob(const hostsim::Job& job, int index) {
        auto d = Add(Role::Job, nullptr, index, L"Msvm_ConcreteJob");
        DescribeJob(job, V2(), *d);
        Finish(*d);
    }

    // One display controller (index 0 synthetic, 1 S3) and its head, those of them the filter
    // wants. Only the controller `display` names is active; the other's head reports a size of
    // its own, which says nothing about the guest's screen.
    void Display(Machine& m, int index, bool controller, bool head) {
        const bool s3 = index == 1, active = m.ActiveDisplay() == (s3 ? "s3" : "synthetic");
        const uint16_t state = active ? kEnabled : kDisabled;
        const wchar_t* id = s3 ? L"S3Display" : L"SyntheticDisplay";
        if (controller)
            Device(s3 ? Role::S3Display : Role::SyntheticDisplay, m, 0,
                   s3 ? L"Msvm_S3DisplayController" : L"Msvm_SyntheticDisplayController", id,
                   s3 ? L"S3 Display Controller" : L"Synthetic Display Controller", state);
        if (!head) return;
        auto d = Device(Role::VideoHead, m, index, L"Msvm_VideoHead", std::wstring(id) + L"\\VideoHead0", L"Video Head",
                        state);
        d->Set(L"CurrentBitsPerPixel", PropValue::I4(16));
        d->Set(L"CurrentHorizontalResolution", PropValue::I4(active ? m.ScreenWidth() : m.inactiveWidth));
        d->Set(L"CurrentVerticalResolution", PropValue::I4(active ? m.ScreenHeight() : m.inactiveHeight));
    }

private:
    static std::wstring SnapshotSuffix(int index) {
        wchar_t text[16];
        swprintf(text, 16, L"%012X", 0x5A000000 + index);
        return text;
    }

    Host& host_;
    ProviderVersion version_;
    const Schema& schema_;
    const InstanceFilter& filter_;
    std::vector<Machine*> machines_;
    std::vector<HostInstance>& out_;
};

bool SameKeys(const ObjectData& d, const ObjectPath& path) {
    if (!IEquals(d.ClassName(), path.className) || d.cls->keys.size() != path.keys.size()) return false;
    for (const auto& [key, value] : path.keys) {
        bool isKey = false;
        for (const auto& k : d.cls->keys) isKey = isKey || IEquals(k, key);
        const PropValue* v = d.Find(key);
        if (!isKey || !v || V_VT(&v->Get()) != VT_BSTR || !IEquals(V_BSTR(&v->Get()), value)) return false;
    }
    return true;
}

}  // namespace

std::vector<HostInstance> HostInstances(const HostView& view, const InstanceFilter& filter) {
    if (view.version == ProviderVersion::Cluster) return ClusterInstances(view, filter.className);
    std::vector<HostInstance> all;
    Builder b(view, filter, all);
    if (b.Wants(L"Msvm_ComputerSystem")) {
        b.ComputerSystem(nullptr);
        for (Machine* m : b.Machines()) b.ComputerSystem(m);
    }
    if (b.Wants(L"Msvm_VirtualSystemSettingData")) {
        for (Machine* m : b.Machines()) {
            if (!m->settingData) continue;
            // Snapshots come first, as they do on a host where they were taken before the last start.
            for (int i = 1; i <= m->snapshots; ++i) b.Settings(*m, i);
            b.Settings(*m, 0);
        }
    }
    if (b.Wants(L"Msvm_VirtualSystemManagementService")) b.Service();
    if (b.V2() && b.Wants(L"Msvm_VirtualSystemSnapshotService")) b.SnapshotService();
    if (b.Wants(L"Msvm_ConcreteJob")) {
        const auto& jobs = view.host->jobs;
        for (size_t i = 0; i < jobs.size(); ++i)
            if (jobs[i].hasObject) b.ConcreteJob(jobs[i], static_cast<int>(i));
    }
    const bool synthetic = b.Wants(L"Msvm_SyntheticDisplayController"), s3 = b.Wants(L"Msvm_S3DisplayController"),
               head = b.Wants(L"Msvm_VideoHead"), syntheticMouse = b.Wants(L"Msvm_SyntheticMouse"),
               ps2Mouse = b.Wants(L"Msvm_PS2Mouse"), keyboard = b.Wants(L"Msvm_Keyboard"),
               shutdown = b.Wants(L"Msvm_ShutdownComponent");
    for (Machine* m : b.Machines()) {
        // A generation 1 machine has both display controllers whichever is active; generation 2
        // has the synthetic one only.
        if (m->display != "none") {
            b.Display(*m, 0, synthetic, head);
            if (m->generation == 1) b.Display(*m, 1, s3, head);
        }
        if (syntheticMouse && m->HasSyntheticMouse())
            b.Device(Role::SyntheticMouse, *m, 0, L"Msvm_SyntheticMouse", L"SyntheticMouse", L"Synthetic Mouse",
                     m->mouseEnabledState);
        if (ps2Mouse && m->HasPs2Mouse())
            b.Device(Role::Ps2Mouse, *m, 0, L"Msvm_PS2Mouse", L"Ps2Mouse", L"PS/2 Mouse", kEnabled);
        if (keyboard && m->keyboard)
            b.Device(Role::Keyboard, *m, 0, L"Msvm_Keyboard", L"Ps2Keyboard", L"Keyboard", kEnabled);
        if (shutdown && m->shutdownService) {
            // Its guest service answers only while the guest runs: 12, no contact, otherwise.
            auto d = b.Device(Role::ShutdownComponent, *m, 0, L"Msvm_ShutdownComponent", L"ShutdownComponent",
                              L"Shutdown", kEnabled);
            d->Set(L"OperationalStatus", PropValue::I4Array({m->power == Power::Running ? m->shutdownStatus : 12}));
        }
    }
    return all;
}

std::optional<HostInstance> FindInstance(const HostView& view, const ObjectPath& path) {
    if (path.keys.empty()) return std::nullopt;
    // Every object of a machine has a key that carries the machine's GUID, so a path whose keys
    // name no machine can only be one of the host's own objects.
    InstanceFilter filter{path.className, std::vector<Machine*>{}};
    for (const auto& [key, value] : path.keys) {
        if (auto named = MachinesNamedBy(*view.host, key, value)) {
            filter.machines = std::move(named);
            break;
        }
    }
    for (auto& inst : HostInstances(view, filter))
        if (SameKeys(*inst.data, path)) return std::move(inst);
    return std::nullopt;
}

std::optional<std::vector<Machine*>> MachinesNamedBy(const Host& host, const std::wstring& property,
                                                     const std::wstring& value) {
    bool bearsOwner = false;
    for (const wchar_t* p : kOwnerProperties) bearsOwner = bearsOwner || IEquals(property, p);
    if (!bearsOwner) return std::nullopt;
    std::wstring text = Upper(value);
    std::vector<Machine*> named;
    for (const auto& m : host.machines)
        if (text.find(m->stem) != std::wstring::npos) named.push_back(m.get());
    return named;
}

bool Associated(ProviderVersion version, const HostInstance& a, const HostInstance& b) {
    if (version == ProviderVersion::Cluster) return ClusterAssociated(a, b);
    // Both versions link each display controller to its own head (Msvm_VideoHeadOnController).
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

bool IsOurNamespace(ProviderVersion version, const ObjectPath& path) {
    return path.nameSpace.empty() || VersionOfNamespace(path.nameSpace) == version;
}

}  // namespace hostsim
