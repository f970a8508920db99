#include "console/reconnect_schedule.h"

#include <cwchar>

namespace {

// What a host that went away gives, over DCOM and from WMI.
const uint32_t LostCodes[] = {
    0x80010108,  // RPC_E_DISCONNECTED: the object's host went away under a live proxy
    0x80010007,  // RPC_E_SERVER_DIED
    0x80010012,  // RPC_E_SERVER_DIED_DNE
    0x800401FD,  // CO_E_OBJNOTCONNECTED
    0x800706BA,  // RPC_S_SERVER_UNAVAILABLE: no such host, or it does not answer
    0x800706BE,  // RPC_S_CALL_FAILED
    0x800706BF,  // RPC_S_CALL_FAILED_DNE
    0x8007071C,  // RPC_S_COMM_FAILURE
    0x80070040,  // ERROR_NETNAME_DELETED: the network path went away
    0x80041015,  // WBEM_E_TRANSPORT_FAILURE
    0x80041033,  // WBEM_E_SHUTTING_DOWN: the host's WMI is stopping (a restart for updates)
    0x800708CA,  // ERROR_NOT_CONNECTED: no connection to the host is left
};

}  // namespace

bool IsConnectionLost(uint32_t hr) {
    for (uint32_t code : LostCodes)
        if (code == hr) return true;
    return false;
}

void Reconnection::Lose() {
    if (state != LinkState::Live) return;  // already trying: the back-off goes on
    state = LinkState::Reconnecting;
    failures = 0;
    dueTick = 0;
}

bool Reconnection::Due(uint32_t now) const {
    if (state == LinkState::Live) return false;
    if (state == LinkState::Reconnecting && failures == 0) return true;
    return static_cast<int32_t>(now - dueTick) >= 0;
}

uint32_t BackoffDelayMs(uint32_t failures) {
    if (failures == 0) return 0;
    if (failures >= 5) return 30000;
    return 1000u << failures;  // 2, 4, 8, 16 s
}

void Reconnection::TryFailed(uint32_t now) {
    state = LinkState::Reconnecting;
    ++failures;
    dueTick = now + BackoffDelayMs(failures);
}

void Reconnection::MachineMissing(uint32_t now) {
    state = LinkState::NotFound;
    ++failures;
    dueTick = now + MissingMachineRetryMs;
}

uint32_t SecondsToNextTry(const Reconnection& link, uint32_t now, uint32_t nextTickMs) {
    uint32_t ms = nextTickMs;
    if (link.failures > 0) {
        const int32_t left = static_cast<int32_t>(link.dueTick - now);
        ms = left > 0 ? static_cast<uint32_t>(left) : 0;
    }
    const uint32_t seconds = (ms + 999) / 1000;
    return seconds == 0 ? 1 : seconds;
}

const wchar_t* LinkTitleSuffix(LinkState state) {
    switch (state) {
    case LinkState::Reconnecting: return L" (Reconnecting)";
    case LinkState::NotFound: return L" (Not found)";
    case LinkState::Live: break;
    }
    return L"";
}

bool BuildLinkLine(const wchar_t* server, const wchar_t* vmName, const Reconnection& link, uint32_t seconds,
                   WideString& out) {
    wchar_t when[48];
    std::swprintf(when, 48, L" again in %u s.", static_cast<unsigned>(seconds));
    switch (link.state) {
    case LinkState::Reconnecting:
        out.Assign(L"Lost the connection to ");
        out.Append(server);
        out.Append(L"; trying");
        out.Append(when);
        return true;
    case LinkState::NotFound:
        out.Assign(server);
        out.Append(L" no longer has ");
        out.Append(vmName);
        out.Append(L"; looking for it");
        out.Append(when);
        return true;
    case LinkState::Live: break;
    }
    return false;
}
