#pragma once
// A hostile host: a share of its answers, chosen by a seed, replaced by answers a buggy or
// compromised provider could send (docs/HOSTSIM.md lists every shape). The same seed and the same
// calls give the same answers. Each site asks for its own kind of answer; the shape it gives is
// written into the call's log line as "hostile".
#include "hostsim/scenario.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace hostsim {

struct Host;
struct ObjectData;
struct HostView;

// Whether a host's answers are hostile, one roll per answer.
class Hostility {
public:
    explicit Hostility(const HostileConfig& config);
    // Whether the next answer is hostile; `pick` then chooses among the site's shapes.
    bool Roll(uint32_t& pick);

private:
    uint64_t state_;
    uint64_t threshold_;  // of 2^32: rate x 2^32
};

// What a value handed out by reference points into: kept as long as the object that handed it out.
class HostileStore {
public:
    HostileStore() = default;
    HostileStore(const HostileStore&) = delete;
    HostileStore& operator=(const HostileStore&) = delete;
    ~HostileStore();
    LONG* Number(LONG value);
    BSTR* Text(const wchar_t* text);
    SAFEARRAY** Array(SAFEARRAY* array);  // takes the array

private:
    std::deque<LONG> numbers_;
    std::deque<BSTR> texts_;
    std::deque<SAFEARRAY*> arrays_;
};

// The value of property `name` (declared `type`) as a hostile host answers a Get: `value` replaced
// (NULL where a value is due, a value where NULL is due, another type, out of range, resolutions at
// the extremes, arrays of another element type, by reference, of two dimensions, empty or huge).
// Returns the shape, or "" when this answer stays as it is.
std::string HostileValue(Host& host, const std::wstring& name, CIMTYPE type, VARIANT& value, HostileStore& store);

// How a hostile host answers one Next: "stall" (delivers nothing for as long as it is given),
// "empty" (delivers nothing, as at the end), "otherMachine" (each object replaced by the same
// object of another machine of the host), or "".
std::string HostileNext(Host& host);

// The same object (same class, same keys but the machine's) of another machine of the host, or
// null when the object belongs to no machine or no other machine has one.
std::shared_ptr<ObjectData> OtherMachinesObject(const HostView& view, const ObjectData& object);

// How long a stalled Next waits when the client gives it no time-out (WBEM_INFINITE): long enough
// for any observer to see the window frozen, short enough to end a broken run.
constexpr DWORD StallWithoutTimeoutMs = 30000;

}  // namespace hostsim
