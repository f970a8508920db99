#include "hostsim/summary_information.h"

#include "hostsim/machine_power.h"
#include "hostsim/provider_methods.h"
#include "hostsim/wbem_object.h"

#include <algorithm>
#include <string>

namespace hostsim {
namespace {

// The figures of a machine as a summary reports them: a running guest works, one that is not has
// no load, no memory in use, no heartbeat (no contact) and no time up.
void SetFigures(const Machine& m, int32_t code, ObjectData& s) {
    const bool running = m.power == Power::Running;
    switch (code) {
    // Each machine its own load, the same on every run.
    case 101: s.Set(L"ProcessorLoad", PropValue::I4(running ? static_cast<int32_t>(m.index * 13 % 60 + 2) : 0)); break;
    // uint64 travels as a decimal string.
    case 103: s.Set(L"MemoryUsage", PropValue::String(running ? L"1024" : L"0")); break;
    case 104: s.Set(L"Heartbeat", PropValue::I4(running ? 2 : 12)); break;
    case 105: s.Set(L"UpTime", PropValue::String(running ? L"3600000" : L"0")); break;
    default: break;
    }
}

}  // namespace

int32_t SummaryInformation(const std::shared_ptr<Host>& host, const HostView& view, const std::vector<PropValue>& in,
                           ObjectData& out, const FaultEffect& fault) {
    std::vector<SettingsRef> items;
    const bool everyMachine = in[0].IsNull();  // then every machine's live settings
    if (everyMachine) {
        for (const auto& m : host->machines)
            if (m->settingData && m->present) items.push_back(SettingsRef{m.get(), 0});
    } else {
        // Several paths: one that names no settings object is left out of the answer (the vendor
        // does not say); one path alone that names none is refused, as are only such paths.
        for (const auto& reference : Texts(in[0]))
            if (auto settings = SettingsOf(view, reference)) items.push_back(*settings);
        if (items.empty()) return kInvalidParameter;
    }
    if (fault.Reply("jobStarted")) return kJobStarted;
    if (fault.Reply("summaryOfOther")) {
        // Each machine's report is the next machine's (with live settings) instead.
        for (SettingsRef& item : items) {
            const size_t count = host->machines.size();
            for (size_t step = 1; step < count; ++step) {
                Machine* other = host->machines[(item.machine->index + step) % count].get();
                if (other->settingData) {
                    item = SettingsRef{other, 0};
                    break;
                }
            }
        }
    }
    const std::vector<int32_t> requests = NumbersOf<int32_t>(in[1]);
    // Requests 5 to 7 are pictures. Asked of one named machine that has none, the call is refused;
    // in a report on several machines, or on every machine, such a machine's picture stays NULL.
    const auto noPicture = [](int32_t code, const SettingsRef& item) { return code >= 5 && code <= 7 && !Live(item); };
    if (!everyMachine && items.size() == 1)
        for (int32_t code : requests)
            if (noPicture(code, items.front())) return kInvalidState;
    if (fault.Reply("summaryReversed")) std::reverse(items.begin(), items.end());
    const ClassDef& summaryClass = *view.schema().Find(L"Msvm_SummaryInformation");
    std::vector<IUnknown*> objects;
    for (const SettingsRef& item : items) {
        Machine* m = item.machine;
        auto s = NewInstance(summaryClass);
        // A spoilt picture is half the size asked for.
        const int shrink = fault.Reply("imageWrongSize") ? 2 : 1;
        for (int32_t code : requests) {
            if (noPicture(code, item)) continue;
            switch (code) {
            case 0:
                if (!fault.Reply("summaryNoName")) s->Set(L"Name", PropValue::String(m->name));
                break;
            case 1: s->Set(L"ElementName", PropValue::String(m->elementName)); break;
            case 3: s->Set(L"Notes", PropValue::String(L"")); break;
            case 4: s->Set(L"NumberOfProcessors", PropValue::I4(2)); break;
            case 5: s->Set(L"ThumbnailImage", ScreenImage(item, 80 / shrink, 60 / shrink, fault)); break;
            case 6: s->Set(L"ThumbnailImage", ScreenImage(item, 160 / shrink, 120 / shrink, fault)); break;
            case 7: s->Set(L"ThumbnailImage", ScreenImage(item, 320 / shrink, 240 / shrink, fault)); break;
            case 100: s->Set(L"EnabledState", PropValue::I4(m->EnabledState(view.version))); break;
            case 106: s->Set(L"GuestOperatingSystem", PropValue::String(L"Windows Server 2008 R2 Standard")); break;
            case 109: s->Set(L"HealthState", PropValue::I4(5)); break;
            // A live migration under way shows as 32774 on the second version, as on the machine.
            case 110:
                s->Set(L"OperationalStatus", m->migrating && view.version == ProviderVersion::V2
                                                 ? PropValue::I4Array({2, 32774})
                                                 : PropValue::I4Array({2}));
                break;
            default: SetFigures(*m, code, *s); break;  // what this simulator does not keep stays NULL
            }
        }
        objects.push_back(static_cast<IWbemClassObject*>(WbemObject::Create(s, host)));
    }
    out.Set(L"SummaryInformation", fault.Reply("summaryNotObjects") ? PropValue::Strings({L"not a summary"})
                                                                    : PropValue::Objects(objects));
    for (IUnknown* o : objects) o->Release();
    return kCompleted;
}

}  // namespace hostsim
