#include "hostsim/localized_text.h"

namespace hostsim {
namespace {

struct Wording {
    const wchar_t* english;
    const wchar_t* german;
};

const Wording kGerman[] = {
    {L"Virtual Machine", L"Virtueller Computer"},
    {L"Hosting Computer System", L"Hostcomputersystem"},
    {L"Microsoft Virtual Machine", L"Virtueller Computer von Microsoft"},
    {L"Microsoft Hosting Computer System", L"Hostcomputersystem von Microsoft"},
    {L"Virtual Machine Settings", L"Einstellungen des virtuellen Computers"},
    {L"Snapshot Settings", L"Snapshoteinstellungen"},
    {L"Hyper-V Virtual System Management Service", L"Hyper-V-Verwaltungsdienst f\u00fcr virtuelle Systeme"},
    {L"Service that manages virtual machines", L"Dienst zur Verwaltung virtueller Computer"},
    {L"Synthetic Display Controller", L"Synthetischer Anzeigecontroller"},
    {L"S3 Display Controller", L"S3-Anzeigecontroller"},
    {L"Video Head", L"Videoausgang"},
    {L"Synthetic Mouse", L"Synthetische Maus"},
    {L"PS/2 Mouse", L"PS/2-Maus"},
    {L"Keyboard", L"Tastatur"},
};

}  // namespace

std::wstring Localized(const std::string& language, const std::wstring& english) {
    if (language != "de") return english;
    for (const Wording& w : kGerman)
        if (english == w.english) return w.german;
    return english;
}

}  // namespace hostsim
