#include "wmi/wmi_object_ref.h"
#include "wmi/wmi_session.h"

void WmiObjectRef::Reset(IWbemClassObject* newObject) {
    object.Reset(newObject);
    path.Clear();
    if (newObject) ReadProperty(newObject, L"__PATH", path);
}
