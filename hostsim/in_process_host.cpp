// InProcessHost: the simulator as this process's WMI locator, for in-process tests.
#include "hostsim/hostsim.h"
#include "hostsim/locator.h"

#include <wbemidl.h>

namespace hostsim {

InProcessHost::InProcessHost(const std::string& scenarioJson) {
    status_ = TheSimulator().Load(scenarioJson);
    if (SUCCEEDED(status_))
        status_ = CoRegisterClassObject(CLSID_WbemLocator, &LocatorFactory::Instance(), CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_);
}

InProcessHost::~InProcessHost() {
    if (cookie_) CoRevokeClassObject(cookie_);
}

}  // namespace hostsim
