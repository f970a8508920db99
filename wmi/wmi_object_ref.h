#pragma once
#include "wmi/com_ref.h"
#include "wmi/variant.h"

#include <wbemcli.h>

// One WMI object held together with its "__PATH" (VT_BSTR; VT_EMPTY while no object is held).
class WmiObjectRef {
public:
    // Releases the held object, takes `newObject` (may be null) and reads its path.
    void Reset(IWbemClassObject* newObject);
    void Reset(ComRef<IWbemClassObject>&& newObject) { Reset(newObject.Detach()); }
    const wchar_t* PathText() const { return path.Text(); }

    ComRef<IWbemClassObject> object;
    Variant path;
};
