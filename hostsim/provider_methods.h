#pragma once
// What the provider's methods do to the simulated guests, and the out-parameters they return.
#include "hostsim/faults.h"
#include "hostsim/host_objects.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

// Method return codes of the provider.
enum ReturnCode : int32_t {
    kCompleted = 0,
    kNotTranslatable = 1,  // TypeText of the first version: a character without a key
    kJobStarted = 4096,
    kInvalidParameter = 32773,
    kInvalidState = 32775,
    kOutOfMemory = 32778,
};

// In-parameter values as the methods read them: a string array, an array of numbers.
std::vector<std::wstring> Texts(const PropValue& v);
template <class T>
std::vector<T> NumbersOf(const PropValue& v) {
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

// A machine's settings object, live (snapshot 0) or one of its snapshots.
struct SettingsRef {
    Machine* machine = nullptr;
    int snapshot = 0;
};

// The settings object a reference names, or nothing when it names none of this connection's.
std::optional<SettingsRef> SettingsOf(const HostView& view, const std::wstring& reference);
// Whether the settings have a picture now: a snapshot's always, the live ones while the machine
// has a screen (the vendor does not say what a host answers for a machine that is off or saved).
bool Live(const SettingsRef& s);
// The screen image as the host sends it at w x h, or NULL when there is none to send (or a fault
// spoils it); with the octet string's length prefix on a host that sends one.
PropValue ScreenImage(const SettingsRef& s, int w, int h, const FaultEffect& fault);

// Runs `method` on `target`, an object of `host` seen through `version`, with in-parameter values
// already converted to their declared types (one per method.in, none NULL) and fills `out`, the
// method's out-parameters instance. `fault` carries reply faults that spoil the answer.
void RunProviderMethod(const std::shared_ptr<Host>& host, ProviderVersion version, const HostInstance& target,
                       const MethodDef& method, const std::vector<PropValue>& in, ObjectData& out,
                       const FaultEffect& fault);

}  // namespace hostsim
