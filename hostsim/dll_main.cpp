// vuemere-hostsim.dll: the simulator as an in-proc COM server that a test Wine prefix registers as
// its WbemLocator class. The scenario comes from VUEMERE_SIM_SCENARIO, the log goes to VUEMERE_SIM_LOG.
#include "hostsim/engine.h"
#include "hostsim/locator.h"

#include <windows.h>
#include <wbemidl.h>

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_WbemLocator) return CLASS_E_CLASSNOTAVAILABLE;
    return hostsim::LocatorFactory::Instance().QueryInterface(riid, ppv);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return hostsim::Engine::Instance().liveObjects.load() == 0 && !hostsim::LocatorFactory::Locked() ? S_OK : S_FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
