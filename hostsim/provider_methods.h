#pragma once
// What the provider's methods do to the simulated guests, and the out-parameters they return.
#include "hostsim/faults.h"
#include "hostsim/host_objects.h"

#include <memory>
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

// Runs `method` on `target`, an object of `host` seen through `version`, with in-parameter values
// already converted to their declared types (one per method.in, none NULL) and fills `out`, the
// method's out-parameters instance. `fault` carries reply faults that spoil the answer.
void RunProviderMethod(const std::shared_ptr<Host>& host, ProviderVersion version, const HostInstance& target,
                       const MethodDef& method, const std::vector<PropValue>& in, ObjectData& out,
                       const FaultEffect& fault);

}  // namespace hostsim
