// A client built like vuemere (COM in the multithreaded apartment, plain CoCreateInstance of the
// WMI locator) for the tests of the simulator's DLL: it lists the machines of a host, presses a
// key on the first one and fetches a thumbnail, printing what it got.
//   hostsim_client [server [user password]]
#include "wmi_session.h"

#include <cstdio>

using namespace simtest;

namespace {

int Run(int argc, wchar_t** argv) {
    std::wstring server = argc > 1 ? argv[1] : L"";
    const wchar_t* user = argc > 3 ? argv[2] : nullptr;
    const wchar_t* password = argc > 3 ? argv[3] : nullptr;
    std::wstring path = server.empty() ? L"root\\virtualization" : L"\\\\" + server + L"\\root\\virtualization";
    Session s;
    HRESULT hr = s.Connect(path, user, password);
    std::printf("connect 0x%08lX\n", static_cast<unsigned long>(hr));
    if (FAILED(hr)) return 1;
    if (user) s.SetIdentity(user, password);
    s.Blanket(s.services.Get(), user != nullptr);

    std::wstring firstName, firstGuid;
    for (auto& m : s.Query(L"Select * from Msvm_ComputerSystem", nullptr, true)) {
        std::wstring name = GetText(m.Get(), L"Name"), element = GetText(m.Get(), L"ElementName");
        if (name == element) continue;
        std::printf("machine %ls\n", element.c_str());
        if (firstName.empty()) firstName = element, firstGuid = name;
    }
    if (firstName.empty()) return 2;

    auto first = [&](const std::wstring& wql) {
        auto all = s.Query(wql, nullptr, true);
        return all.empty() ? std::wstring() : GetText(all[0].Get(), L"__PATH");
    };
    std::wstring machine = first(L"Select * from Msvm_ComputerSystem Where ElementName = '" + firstName + L"'");
    std::wstring keyboard = first(L"Associators of {" + machine + L"} Where ResultClass=Msvm_Keyboard");
    ComRef<IWbemClassObject> out;
    hr = s.Call(keyboard, L"Msvm_Keyboard", L"PressKey", {{L"keyCode", 'A'}}, out);
    std::printf("press 0x%08lX\n", static_cast<unsigned long>(hr));

    std::wstring settings = first(L"Select * from Msvm_VirtualSystemSettingData where SystemName = '" + firstGuid +
                                  L"' and SettingType = '3'");
    std::wstring service = first(L"Select * from Msvm_VirtualSystemManagementService");
    Variant target;
    target.SetText(settings.c_str());
    hr = s.Call(service, L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage",
                {{L"TargetSystem", target}, {L"WidthPixels", 16}, {L"HeightPixels", 12}}, out);
    Variant image;
    if (out) out->Get(L"ImageData", 0, image.Put(), nullptr, nullptr);
    std::printf("image 0x%08lX %zu\n", static_cast<unsigned long>(hr), GetBytes(*image.Get()).size());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IDENTIFY, nullptr,
                         EOAC_NONE, nullptr);
    int result = Run(argc, argv);
    std::fflush(stdout);
    CoUninitialize();
    return result;
}
