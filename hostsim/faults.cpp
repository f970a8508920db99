#include "hostsim/faults.h"

#include "hostsim/text_util.h"

namespace hostsim {
namespace {

bool Matches(const FaultConfig& f, const CallInfo& c) {
    if (!f.call.empty() && f.call != c.call) return false;
    if (!f.className.empty()) {
        std::wstring wanted = Wide(f.className);
        if (!IEquals(wanted, c.className) && !IEquals(wanted, c.ownerClass)) return false;
    }
    if (!f.method.empty() && !IEquals(Wide(f.method), c.method)) return false;
    if (!f.property.empty() && !IEquals(Wide(f.property), c.property)) return false;
    return true;
}

}  // namespace

bool FaultEffect::Reply(const char* name) const {
    for (const auto& r : replies)
        if (r == name) return true;
    return false;
}

void CompleteFault(FaultConfig& f) {
    if (f.reply.empty() || !f.call.empty()) return;
    if (f.reply == "imageNotArray" || f.reply == "imageShort" || f.reply == "jobStarted" ||
        f.reply == "imageWrongSize" || f.reply.rfind("summary", 0) == 0) {
        f.call = "ExecMethod";
    } else if (f.reply == "stall") {
        f.call = "Next";
    } else if (f.reply == "resolutionZero") {
        f.call = "Next";
        if (f.className.empty()) f.className = "Msvm_VideoHead";
    } else if (f.reply == "propertyMissing") {
        f.call = "Get";
    }
}

void ApplyFaults(std::vector<FaultState>& faults, const CallInfo& call, FaultEffect& effect) {
    for (auto& fault : faults) {
        if (!Matches(fault.config, call)) continue;
        if (++fault.matched <= fault.config.after) continue;
        if (fault.config.count >= 0 && fault.fired >= fault.config.count) continue;
        ++fault.fired;
        if (fault.config.hr && !effect.hr) effect.hr = fault.config.hr;
        if (fault.config.disconnect) effect.disconnect = true;
        if (!fault.config.reply.empty()) effect.replies.push_back(fault.config.reply);
        if (fault.config.returnValue && !effect.returnValue) effect.returnValue = fault.config.returnValue;
        if (fault.config.jobError && !effect.jobError) effect.jobError = fault.config.jobError;
    }
}

}  // namespace hostsim
