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

// The simulated hosts keep their guests' state (pointer, keys, typed text, frame count) for the
// life of the process, as a real host keeps it between connections: the DLL stays loaded.
extern "C" HRESULT __stdcall DllCanUnloadNow() { return S_FALSE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
