#include "hostsim/provider_methods.h"

#include "hostsim/control_methods.h"
#include "hostsim/summary_information.h"
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

}  // namespace

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

// The settings object a reference names, or nothing when it names none of this connection's.
std::optional<SettingsRef> SettingsOf(const HostView& view, const std::wstring& reference) {
    auto path = ParseObjectPath(reference);
    if (!path || !IsOurNamespace(view.version, *path)) return std::nullopt;
    auto inst = FindInstance(view, *path);
    if (!inst || inst->role != Role::Settings) return std::nullopt;
    return SettingsRef{inst->machine, inst->index};
}

// Whether the settings have a picture now: a snapshot's always, the live ones while the machine
// has a screen (the vendor does not say what a host answers for a machine that is off or saved).
bool Live(const SettingsRef& s) { return s.snapshot != 0 || HasScreen(s.machine->power); }

// Draws the live screen (a new frame) or a snapshot's saved one, which never changes.
bool Draw(const SettingsRef& s, int w, int h, uint8_t* out) {
    return s.snapshot == 0 ? s.machine->Image(w, h, true, out) : s.machine->SnapshotImage(s.snapshot, w, h, out);
}

// The screen image as the host sends it, or NULL when there is none to send (or a fault spoils it).
// On a host that sends octet strings with their prefix, the array begins with its own length in
// four bytes, most significant first.
PropValue ScreenImage(const SettingsRef& s, int w, int h, const FaultEffect& fault) {
    if (fault.Reply("imageNotArray") || s.machine->display == "none") return PropValue::Null();
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * 2;
    const size_t prefix = s.machine->host->octetPrefix ? 4 : 0;
    const bool shortImage = fault.Reply("imageShort");
    const size_t length = prefix + (shortImage ? bytes / 2 : bytes);
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(length));
    if (!array) return PropValue::Null();
    void* raw = nullptr;
    SafeArrayAccessData(array, &raw);
    uint8_t* out = static_cast<uint8_t*>(raw);
    for (size_t i = 0; i < prefix; ++i) out[i] = static_cast<uint8_t>(length >> (8 * (prefix - 1 - i)));
    bool drawn;
    if (shortImage) {
        std::vector<uint8_t> full(bytes);
        drawn = Draw(s, w, h, full.data());
        std::copy(full.begin(), full.begin() + static_cast<ptrdiff_t>(bytes / 2), out + prefix);
    } else {
        drawn = Draw(s, w, h, out + prefix);
    }
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

namespace {

// A snapshot's settings give the snapshot's saved screen, as they do for a checkpoint's preview.
int32_t Thumbnail(const HostView& view, const std::vector<PropValue>& in, ObjectData& out, const FaultEffect& fault) {
    auto settings = SettingsOf(view, Text(in[0]));
    int64_t w = Int(in[1]), h = Int(in[2]);
    if (!settings || w <= 0 || h <= 0) return kInvalidParameter;
    if (settings->machine->display == "none" || !Live(*settings)) return kInvalidState;
    if (w * h > kMaxImagePixels) return kOutOfMemory;
    if (fault.Reply("jobStarted")) return kJobStarted;  // the image comes with the job, not here
    out.Set(L"ImageData", ScreenImage(*settings, static_cast<int>(w), static_cast<int>(h), fault));
    return kCompleted;
}

int32_t Mouse(Machine& m, Role role, const MethodDef& method, const std::vector<PropValue>& in, ObjectData& out) {
    bool synthetic = role == Role::SyntheticMouse;
    if (synthetic && m.mouseEnabledState != 2) return kInvalidState;
    const std::wstring& name = method.name;
    if (IEquals(name, L"SetAbsolutePosition")) {
        m.MovePointerTo(static_cast<int>(Int(in[0])), static_cast<int>(Int(in[1])));
    } else if (IEquals(name, L"SetRelativePosition")) {
        // PS/2 counts upward movement as positive.
        m.MovePointerTo(m.pointerX + static_cast<int>(Int(in[0])), m.pointerY - static_cast<int>(Int(in[1])));
    } else if (IEquals(name, L"SetScrollPosition")) {
        // The guest's screen has nothing to scroll.
    } else {  // ClickButton, GetButtonState, SetButtonState
        int64_t index = UInt32(in[0]);
        if (index < 1 || index > 5) return kInvalidParameter;
        if (IEquals(name, L"GetButtonState")) {
            out.Set(method.out[1].name, PropValue::Bool(m.buttons[index]));  // isDown or buttonState
            return kCompleted;
        }
        // A click leaves the button up.
        m.buttons[index] = IEquals(name, L"SetButtonState") && Bool(in[1]);
        ++m.version;
    }
    return kCompleted;
}

// The room a text takes in one TypeText call, or nothing when the first version cannot type it.
std::optional<size_t> TypeTextCost(ProviderVersion version, const std::wstring& text) {
    size_t cost = 0;
    for (wchar_t c : text) {
        if (c >= 0x80 && version == ProviderVersion::V1) return std::nullopt;
        cost += c < 0x80 ? 1 : 2;
    }
    return cost;
}

int32_t Keyboard(Machine& m, ProviderVersion version, const std::wstring& method, const std::vector<PropValue>& in,
                 ObjectData& out) {
    if (IEquals(method, L"TypeText")) {
        // A text the host cannot take types nothing at all.
        const std::wstring text = Text(in[0]);
        const std::optional<size_t> cost = TypeTextCost(version, text);
        if (!cost) return kNotTranslatable;
        if (*cost > static_cast<size_t>(m.host->typeTextRoom)) return kInvalidParameter;
        m.Type(text);
    } else if (IEquals(method, L"TypeScancodes")) {
        for (uint8_t code : NumbersOf<uint8_t>(in[0])) m.Scancode(code);
    } else if (IEquals(method, L"TypeCtrlAltDel")) {
        m.Type(L"[Ctrl+Alt+Del]");
    } else {
        int64_t key = UInt32(in[0]);
        if (key > 254) return kInvalidParameter;
        // TypeKey is a press and a release.
        if (IEquals(method, L"PressKey") || IEquals(method, L"TypeKey")) m.PressKey(static_cast<int>(key));
        if (IEquals(method, L"ReleaseKey") || IEquals(method, L"TypeKey")) m.ReleaseKey(static_cast<int>(key));
        if (IEquals(method, L"IsKeyPressed"))
            out.Set(L"keyState", PropValue::Bool(m.IsKeyDown(static_cast<int>(key))));
    }
    return kCompleted;
}

}  // namespace

void RunProviderMethod(const std::shared_ptr<Host>& host, ProviderVersion version, const HostInstance& target,
                       const MethodDef& method, const std::vector<PropValue>& in, ObjectData& out,
                       const FaultEffect& fault) {
    const HostView view{host.get(), version};
    int32_t result = kInvalidState;
    // A guest's devices answer only while it runs.
    const bool running = target.machine && target.machine->power == Power::Running;
    if (fault.returnValue) {
        result = static_cast<int32_t>(*fault.returnValue);  // refused before it did anything
    } else if (!RunControlMethod(*host, version, target, method, in, out, fault, result)) {
        switch (target.role) {
        case Role::Service:
            result = IEquals(method.name, L"GetSummaryInformation") ? SummaryInformation(host, view, in, out, fault)
                                                                    : Thumbnail(view, in, out, fault);
            break;
        case Role::SyntheticMouse:
        case Role::Ps2Mouse:
            result = running ? Mouse(*target.machine, target.role, method, in, out) : kInvalidState;
            break;
        case Role::Keyboard:
            result = running ? Keyboard(*target.machine, version, method.name, in, out) : kInvalidState;
            break;
        default: break;
        }
    }
    out.Set(L"ReturnValue", PropValue::I4(result));
}

}  // namespace hostsim
