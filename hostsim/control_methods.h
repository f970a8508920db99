#pragma once
// The provider's machine-control methods: RequestStateChange, InitiateShutdown, and the checkpoint
// method of each version (CreateVirtualSystemSnapshot of the first, CreateSnapshot of the second's
// snapshot service).
#include "hostsim/faults.h"
#include "hostsim/host_objects.h"

#include <vector>

namespace hostsim {

// Runs `method` on `target` when it is one of them, with `in` as RunProviderMethod gets it, and sets
// `result` to its return value; false for every other method. `fault` may make its job end in
// exception.
bool RunControlMethod(Host& host, ProviderVersion version, const HostInstance& target, const MethodDef& method,
                      const std::vector<PropValue>& in, ObjectData& out, const FaultEffect& fault, int32_t& result);

}  // namespace hostsim
