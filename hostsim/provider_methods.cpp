#include "hostsim/provider_methods.h"

#include "hostsim/text_util.h"
#include "hostsim/wbem_object.h"

#include <algorithm>

namespace hostsim {
namespace {

constexpr int64_t kMaxImagePixels = 64ll * 1024 * 1024;

int64_t Int(const PropValue& v) {
    int64_t value = 0;
    VariantToInt64(v.Get(), value);
    return value;
}

// uint32 travels in VT_I4: read it back unsigned.
int64_t UInt32(const PropValue& v) { return static_cast<uint32_t>(Int(v)); }

bool Bool(const PropValue& v) { return V_VT(&v.Get()) == VT_BOOL && V_BOOL(&v.Get()) != VARIANT_FALSE; }

std::wstring Text(const PropValue& v) { return V_VT(&v.Get()) == VT_BSTR ? V_BSTR(&v.Get()) : L""; }

std::vector<std::wstring> Texts(const PropValue& v) {
    std::vector<std::wstring> items;
    SAFEARRAY* array = V_ARRAY(&v.Get());
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        BSTR item = nullptr;
        SafeArrayGetElement(array, &i, &item);
        items.push_back(item ? item : L"");
        SysFreeString(item);
    }
    return items;
}

template <class T>
std::vector<T> Numbers(const PropValue& v) {
    std::vector<T> items;
    SAFEARRAY* array = V_ARRAY(&v.Get());
    void* raw = nullptr;
    if (FAILED(SafeArrayAccessData(array, &raw))) return items;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    items.assign(static_cast<const T*>(raw), static_cast<const T*>(raw) + (upper - lower + 1));
    SafeArrayUnaccessData(array);
    return items;
}

// The machine whose settings object a reference names; `live` asks for its running settings.
Machine* SettingsOwner(const std::vector<HostInstance>& all, const std::wstring& reference, bool live) {
    auto path = ParseObjectPath(reference);
    if (!path || !IsOurNamespace(*path)) return nullptr;
    const HostInstance* inst = FindInstance(all, *path);
    if (!inst || inst->role != Role::Settings || (live && inst->index != 0)) return nullptr;
    return inst->machine;
}

// The screen image as the host sends it, or NULL when there is none to send (or a fault spoils it).
PropValue ScreenImage(Machine& m, int w, int h, const FaultEffect& fault) {
    if (fault.Reply("imageNotArray") || m.display == "none") return PropValue::Null();
    size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 2;
    if (fault.Reply("imageShort")) {
        std::vector<uint8_t> full(bytes);
        if (!m.Image(w, h, true, full.data())) return PropValue::Null();
        return PropValue::Bytes(full.data(), bytes / 2);
    }
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes));
    if (!array) return PropValue::Null();
    void* raw = nullptr;
    SafeArrayAccessData(array, &raw);
    bool drawn = m.Image(w, h, true, static_cast<uint8_t*>(raw));
    SafeArrayUnaccessData(array);
    if (!drawn) {
        SafeArrayDestroy(array);
        return PropValue::Null();
    }
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_ARRAY | VT_UI1;
    V_ARRAY(&v) = array;
    PropValue image;
    image.Adopt(v);
    return image;
}

int32_t Thumbnail(const std::vector<HostInstance>& all, const std::vector<PropValue>& in, ObjectData& out,
                  const FaultEffect& fault) {
    Machine* m = SettingsOwner(all, Text(in[0]), true);
    int64_t w = Int(in[1]), h = Int(in[2]);
    if (!m || w <= 0 || h <= 0) return kInvalidParameter;
    if (m->display == "none") return kInvalidState;
    if (w * h > kMaxImagePixels) return kOutOfMemory;
    out.Set(L"ImageData", ScreenImage(*m, static_cast<int>(w), static_cast<int>(h), fault));
    return kCompleted;
}

int32_t Summary(const std::shared_ptr<Host>& host, const std::vector<HostInstance>& all,
                const std::vector<PropValue>& in, ObjectData& out, const FaultEffect& fault) {
    std::vector<Machine*> machines;
    for (const auto& reference : Texts(in[0])) {
        Machine* m = SettingsOwner(all, reference, false);
        if (!m) return kInvalidParameter;
        machines.push_back(m);
    }
    std::vector<int32_t> requests = Numbers<int32_t>(in[1]);
    const ClassDef& summaryClass = *host->schema->Find(L"Msvm_SummaryInformation");
    std::vector<IUnknown*> objects;
    for (Machine* m : machines) {
        auto s = NewInstance(summaryClass);
        for (int32_t code : requests) {
            switch (code) {
            case 0: s->Set(L"Name", PropValue::String(m->name)); break;
            case 1: s->Set(L"ElementName", PropValue::String(m->elementName)); break;
            case 3: s->Set(L"Notes", PropValue::String(L"")); break;
            case 4: s->Set(L"NumberOfProcessors", PropValue::I4(2)); break;
            case 5: s->Set(L"ThumbnailImage", ScreenImage(*m, 80, 60, fault)); break;
            case 6: s->Set(L"ThumbnailImage", ScreenImage(*m, 160, 120, fault)); break;
            case 7: s->Set(L"ThumbnailImage", ScreenImage(*m, 320, 240, fault)); break;
            case 100: s->Set(L"EnabledState", PropValue::I4(2)); break;
            case 101: s->Set(L"ProcessorLoad", PropValue::I4(static_cast<int32_t>(m->frame % 40 + 3))); break;
            case 103: s->Set(L"MemoryUsage", PropValue::String(L"1024")); break;
            case 104: s->Set(L"Heartbeat", PropValue::I4(2)); break;
            case 105: s->Set(L"UpTime", PropValue::String(L"3600000")); break;
            case 106: s->Set(L"GuestOperatingSystem", PropValue::String(L"Windows Server 2008 R2 Standard")); break;
            case 109: s->Set(L"HealthState", PropValue::I4(5)); break;
            default: break;  // information this simulator does not keep stays NULL
            }
        }
        objects.push_back(static_cast<IWbemClassObject*>(WbemObject::Create(s, host)));
    }
    out.Set(L"SummaryInformation", PropValue::Objects(objects));
    for (IUnknown* o : objects) o->Release();
    return kCompleted;
}

int32_t Mouse(Machine& m, Role role, const std::wstring& method, const std::vector<PropValue>& in) {
    bool synthetic = role == Role::SyntheticMouse;
    if (synthetic && m.mouseEnabledState != 2) return kInvalidState;
    if (IEquals(method, L"SetAbsolutePosition")) {
        m.MovePointerTo(static_cast<int>(Int(in[0])), static_cast<int>(Int(in[1])));
    } else if (IEquals(method, L"SetRelativePosition")) {
        // PS/2 counts upward movement as positive.
        m.MovePointerTo(m.pointerX + static_cast<int>(Int(in[0])), m.pointerY - static_cast<int>(Int(in[1])));
    } else {  // SetButtonState
        int64_t index = UInt32(in[0]);
        if (index < 1 || index > 5) return kInvalidParameter;
        m.buttons[index] = Bool(in[1]);
        ++m.version;
    }
    return kCompleted;
}

int32_t Keyboard(Machine& m, const std::wstring& method, const std::vector<PropValue>& in, ObjectData& out) {
    if (IEquals(method, L"TypeText")) {
        m.Type(Text(in[0]));
    } else if (IEquals(method, L"TypeScancodes")) {
        for (uint8_t code : Numbers<uint8_t>(in[0])) m.Scancode(code);
    } else if (IEquals(method, L"TypeCtrlAltDel")) {
        m.Type(L"[Ctrl+Alt+Del]");
    } else {
        int64_t key = UInt32(in[0]);
        if (key > 254) return kInvalidParameter;
        if (IEquals(method, L"PressKey"))
            m.PressKey(static_cast<int>(key));
        else if (IEquals(method, L"ReleaseKey"))
            m.ReleaseKey(static_cast<int>(key));
        else
            out.Set(L"keyState", PropValue::Bool(m.IsKeyDown(static_cast<int>(key))));
    }
    return kCompleted;
}

}  // namespace

void RunProviderMethod(const std::shared_ptr<Host>& host, const std::vector<HostInstance>& all,
                       const HostInstance& target, const MethodDef& method, const std::vector<PropValue>& in,
                       ObjectData& out, const FaultEffect& fault) {
    int32_t result = kInvalidState;
    switch (target.role) {
    case Role::Service:
        result = IEquals(method.name, L"GetSummaryInformation") ? Summary(host, all, in, out, fault)
                                                                : Thumbnail(all, in, out, fault);
        break;
    case Role::SyntheticMouse:
    case Role::Ps2Mouse: result = Mouse(*target.machine, target.role, method.name, in); break;
    case Role::Keyboard: result = Keyboard(*target.machine, method.name, in, out); break;
    default: break;
    }
    out.Set(L"ReturnValue", PropValue::I4(result));
}

}  // namespace hostsim
