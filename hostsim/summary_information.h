#pragma once
// GetSummaryInformation: one Msvm_SummaryInformation per settings path (or per machine of the
// host when SettingData is NULL) with the requested items; see docs/HOSTSIM.md for what the
// vendor leaves open and what this host picks.
#include "hostsim/faults.h"
#include "hostsim/host_objects.h"
#include "hostsim/object_data.h"

#include <memory>
#include <vector>

namespace hostsim {

int32_t SummaryInformation(const std::shared_ptr<Host>& host, const HostView& view, const std::vector<PropValue>& in,
                           ObjectData& out, const FaultEffect& fault);

}  // namespace hostsim
