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
// A Next that the host left unanswered for NextWaitMs (HRESULT_FROM_WIN32(ERROR_TIMEOUT)).
constexpr HRESULT HostSilent = static_cast<HRESULT>(0x800705B4);

// The texts a failing step writes into the caller's error text.
extern const wchar_t TextLocatorFailed[];   // "Failed to create IWbemLocator object."
extern const wchar_t TextConnectFailed[];   // "cannot conect for server"
extern const wchar_t TextBlanketFailed[];   // "cannot set authenticate proxy object"
extern const wchar_t TextQueryFailed[];     // "Query for operating system name failed."
extern const wchar_t TextHostSilent[];      // "the host did not answer"

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

// Up to `count` next objects in one call, appended to `objects`; each Next waits at most
// NextWaitMs. Returns Next's own status (fewer than asked: the end of the result set), or
// HostSilent with TextHostSilent written when the host delivered nothing in that time.
HRESULT NextObjects(IEnumWbemClassObject* enumerator, ULONG count,
                    std::vector<ComRef<IWbemClassObject>>& objects, WideString& errorText);

// The first object a query delivers, or null (also when Next fails). The rest of the result set
// is never read. The error text is written when the query or its blanket fails, or when the host
// did not answer; `status` (when given) receives the failing step's HRESULT, else 0.
ComRef<IWbemClassObject> QueryFirst(IWbemServices* services, const WmiCredentials& credentials,
                                    const wchar_t* query, WideString& errorText, HRESULT* status = nullptr);

// One object by its path: a single round trip. A null path is WBEM_E_NOT_FOUND.
HRESULT ReadObject(IWbemServices* services, const wchar_t* path, ComRef<IWbemClassObject>& object);

// IWbemClassObject::Get of one property (flags 0, no type or flavour).
HRESULT ReadProperty(IWbemClassObject* object, const wchar_t* name, Variant& value);
