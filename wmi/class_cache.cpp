#include "wmi/class_cache.h"
#include "wmi/bstr.h"
#include "wmi/wmi_session.h"

#include <cwchar>

HRESULT ClassCache::Fetch(IWbemServices* services, const wchar_t* className,
                          ComRef<IWbemClassObject>& classObject) {
    for (const Entry& entry : entries_) {
        if (_wcsicmp(entry.name.c_str(), className) == 0) {
            classObject = entry.object.Share();
            return 0;
        }
    }
    Bstr name(className);
    HRESULT hr = services->GetObject(name.Get(), 0, nullptr, classObject.Put(), nullptr);
    if (!classObject) return FAILED(hr) ? hr : WbemFailed;
    entries_.push_back(Entry{WideString(className), classObject.Share()});
    return hr;
}
