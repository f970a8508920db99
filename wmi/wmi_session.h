#pragma once
#include "shell/wide_string.h"
#include "wmi/com_ref.h"
#include "wmi/variant.h"
#include "wmi/wmi_credentials.h"

#include <windows.h>
#include <wbemcli.h>

#include <vector>

// The namespace-independent part of talking to WMI: connecting to a namespace, securing every
// proxy, running a query and reading properties. Works on any IWbemServices.

// WMI status codes as HRESULTs (the SDK declares them in an enumeration that some compilers make
// unsigned, which would not compare equal to a failing HRESULT).
constexpr HRESULT WbemFailed = static_cast<HRESULT>(WBEM_E_FAILED);
constexpr HRESULT WbemNotFound = static_cast<HRESULT>(WBEM_E_NOT_FOUND);
constexpr HRESULT WbemInvalidNamespace = static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE);

// The texts a failing step writes into the caller's error text.
extern const wchar_t TextLocatorFailed[];   // "Failed to create IWbemLocator object."
extern const wchar_t TextConnectFailed[];   // "cannot conect for server"
extern const wchar_t TextBlanketFailed[];   // "cannot set authenticate proxy object"
extern const wchar_t TextQueryFailed[];     // "Query for operating system name failed."

// Sets the connection blanket on a proxy: packet privacy, impersonation, and the record's
// identity when it carries credentials (a null identity otherwise).
HRESULT ApplyConnectionBlanket(IUnknown* proxy, const WmiCredentials& credentials);

// The process's WMI locator. On failure writes the text and returns the HRESULT.
HRESULT CreateLocator(ComRef<IWbemLocator>& locator, WideString& errorText);

// Releases what `services` held, connects it to `namespacePath` with the credentials and secures
// it. On failure writes the failing step's text and returns its HRESULT; `services` is then null,
// except when only the blanket failed.
HRESULT ConnectNamespaceSecured(IWbemLocator* locator, const wchar_t* namespacePath,
                                const WmiCredentials& credentials, ComRef<IWbemServices>& services,
                                WideString& errorText);

// Both of the above with a locator of its own.
HRESULT ConnectSecured(const wchar_t* namespacePath, const WmiCredentials& credentials,
                       ComRef<IWbemServices>& services, WideString& errorText);

// Runs a WQL query (forward only, returning at once) and secures the enumerator. On failure
// writes the text and returns the HRESULT; `enumerator` is then null.
HRESULT OpenQuery(IWbemServices* services, const WmiCredentials& credentials, const wchar_t* query,
                  ComRef<IEnumWbemClassObject>& enumerator, WideString& errorText);

// The enumerator's next object, or null at the end (or when Next fails).
ComRef<IWbemClassObject> NextObject(IEnumWbemClassObject* enumerator);

// Up to `count` next objects in one call, appended to `objects`. Fewer than asked means the end
// of the result set (or a failed Next): the enumerator waits without a time-out.
void NextObjects(IEnumWbemClassObject* enumerator, ULONG count,
                 std::vector<ComRef<IWbemClassObject>>& objects);

// The first object a query delivers, or null. The rest of the result set is never read. The
// error text is written only when the query or its blanket fails.
ComRef<IWbemClassObject> QueryFirst(IWbemServices* services, const WmiCredentials& credentials,
                                    const wchar_t* query, WideString& errorText);

// One object by its path: a single round trip. A null path is WBEM_E_NOT_FOUND.
HRESULT ReadObject(IWbemServices* services, const wchar_t* path, ComRef<IWbemClassObject>& object);

// IWbemClassObject::Get of one property (flags 0, no type or flavour).
HRESULT ReadProperty(IWbemClassObject* object, const wchar_t* name, Variant& value);
