#pragma once
#include "shell/wide_string.h"
#include "wmi/class_cache.h"
#include "wmi/com_ref.h"
#include "wmi/guest_image.h"
#include "wmi/machine_state.h"
#include "wmi/provider_namespace.h"
#include "wmi/variant.h"
#include "wmi/wmi_credentials.h"
#include "wmi/wmi_object_ref.h"

#include <wbemcli.h>

#include <cstdint>
#include <vector>

// The console's connection to one host's Hyper-V namespace (root\virtualization or
// root\virtualization\v2, whichever the host answers), the open machine, its devices and its
// last screen image. Every operation that can fail writes a short English text
// into `errorText` and returns an HRESULT (0 = success). Without a host connection (`services`
// null) every operation that would need it fails with a non-zero result and a text saying so.
//
// Files by job: vm_conn.cpp (connection and queries), vm_discovery.cpp (management service and
// machine), vm_video_head.cpp, vm_thumbnail.cpp (screen image), vm_mouse.cpp, vm_keyboard.cpp,
// vm_control.cpp (the machine's power state, its state changes, jobs and checkpoints).
class VmConn {
public:
    VmConn() = default;
    VmConn(const VmConn&) = delete;
    VmConn& operator=(const VmConn&) = delete;

    // The result of every operation while there is no connection to the host:
    // HRESULT_FROM_WIN32(ERROR_NOT_CONNECTED).
    static constexpr HRESULT NotConnected = static_cast<HRESULT>(0x800708CA);

    // Connection and queries.
    void SetCredentials(const wchar_t* user, const wchar_t* password);
    HRESULT Connect(const wchar_t* server, WideString& errorText);
    // `status` (when given): the failing step's HRESULT (HostSilent when the host did not answer).
    ComRef<IWbemClassObject> QueryFirst(const wchar_t* query, WideString& errorText, HRESULT* status = nullptr);
    // A lost connection: releases the host connection and everything found through it (kept
    // classes, management service, video head, devices, shutdown component) and the last image,
    // keeping the open machine's identity (machine, settings, Name) and the credentials.
    void DropConnection();

    // Discovery.
    HRESULT FindManagementService(WideString& errorText);
    HRESULT OpenMachine(const wchar_t* elementName, WideString& errorText);
    // The same by the machine's identifier (its Name): two machines may share a display name.
    HRESULT OpenMachineById(const wchar_t* name, WideString& errorText);
    // Lets go of the open machine and of everything found for it (settings, video head, devices,
    // shutdown component, last image): nothing of it can reach the machine opened next. The host
    // connection and its management service stay.
    void CloseMachine();

    // Screen image.
    HRESULT FindVideoHead(WideString& errorText);
    // The head found last, read again for the guest's resolution: one round trip while it stays
    // in use, FindVideoHead's lookup when it is not.
    HRESULT ReadVideoHead(WideString& errorText);
    HRESULT GetThumbnail(WideString& errorText, float scale, int32_t width, int32_t height);
    ComRef<IWbemClassObject> GetSummaryThumbnail(WideString& errorText, int32_t requestCode);
    // One image at the guest's full resolution into `capture`, as GetThumbnail fetches it, leaving
    // `image` and `summaryRequest` alone. A reply without image data leaves capture.byteCount 0.
    HRESULT CaptureScreen(GuestImage& capture, WideString& errorText);

    // Mouse.
    HRESULT FindMouse(WideString& errorText);
    HRESULT SetAbsolutePosition(int32_t x, int32_t y, WideString& errorText);
    HRESULT SetRelativePosition(int32_t dx, int32_t dy, WideString& errorText);
    HRESULT SetButtonState(int32_t buttonIndex, bool isDown, WideString& errorText);

    // Keyboard.
    HRESULT SendKey(int32_t keyCode, int32_t press, WideString& errorText);
    HRESULT IsKeyPressed(int32_t keyCode, int32_t& pressed, WideString& errorText);
    HRESULT TypeText(const wchar_t* text, WideString& errorText);
    HRESULT TypeScancodes(uint8_t scanCode, WideString& errorText);

    // Machine control. A method's own answer is `returnValue` (0 done, 4096 job started, other
    // codes refusals) with the Job reference in `jobPath` (empty when there is none); the HRESULT
    // says whether the call itself went through.
    // One round trip; also sets `migrating` from the same answer.
    HRESULT ReadMachineState(uint32_t& enabledState, WideString& errorText);
    HRESULT OpenedMachineState(uint32_t& enabledState, WideString& errorText);  // as the open found it
    HRESULT RequestStateChange(int32_t requestedState, uint32_t& returnValue, WideString& jobPath,
                               WideString& errorText);
    // Whether the guest can be asked to shut down: the machine has a shutdown component whose
    // first operational status is OK (2) or degraded (3).
    HRESULT FindShutdownComponent(bool& usable, WideString& errorText);
    HRESULT InitiateShutdown(const wchar_t* reason, uint32_t& returnValue, WideString& jobPath,
                             WideString& errorText);
    HRESULT CreateCheckpoint(uint32_t& returnValue, WideString& jobPath, WideString& errorText);
    // The request of an Action-menu command for the open machine: its state change, the guest's
    // shutdown (its component found before), or a checkpoint.
    HRESULT SendAction(MachineAction action, const wchar_t* shutdownReason, uint32_t& returnValue, WideString& jobPath,
                       WideString& errorText);
    HRESULT ReadJob(const wchar_t* jobPath, JobStatus& job, WideString& errorText);  // one round trip

    // Members in declared order; the console reads them directly. A non-null
    // settingData.object means a machine is open.
    WmiCredentials credentials;
    ComRef<IWbemServices> services;
    ProviderVersion providerVersion = ProviderVersion::First;  // the namespace `services` is on
    ClassCache classes;  // class definitions fetched on `services`
    WmiObjectRef managementService;
    WmiObjectRef machine;
    Variant machineName;
    WmiObjectRef settingData;
    WmiObjectRef videoHead;
    int32_t guestWidth = 0;
    int32_t guestHeight = 0;
    GuestImage image;
    WmiObjectRef keyboard;
    WmiObjectRef syntheticMouse;
    WmiObjectRef ps2Mouse;
    int32_t summaryRequest = 0;
    WmiObjectRef shutdownComponent;  // found once per open machine
    bool migrating = false;  // the last state read said a live migration is under way
    // The last image request's call (0 when it went through), whatever GetThumbnail reported:
    // a lost connection is told apart from a refused picture by it.
    HRESULT lastFetchResult = 0;

private:
    // Opens the machine whose `property` is `value`.
    HRESULT OpenMachineWhere(const wchar_t* property, const wchar_t* value, WideString& errorText);
    // Writes "no connection to the server" and returns NotConnected.
    static HRESULT NoConnection(WideString& errorText);
    // The first object of "Associators of {" + the anchor's path + `resultClause`, when it is a
    // device of the open machine.
    ComRef<IWbemClassObject> QueryAssociated(const WmiObjectRef& anchor, const wchar_t* resultClause,
                                             WideString& errorText, HRESULT* status = nullptr);
    // Whether a device (or head, or service of the machine) names the open machine as its system.
    bool OfOpenMachine(IWbemClassObject* device) const;
    // Up to `count` objects of `className` whose SystemName is the open machine's identifier,
    // appended to `objects`; the status of the query (HostSilent when the host did not answer).
    HRESULT QueryMachineDevices(const wchar_t* className, ULONG count, std::vector<ComRef<IWbemClassObject>>& objects,
                             WideString& errorText);
    // guestWidth and guestHeight from `videoHead`, which holds a head.
    HRESULT TakeHeadSize();
    // The video head associated with the machine's controller of class `controllerClass`.
    ComRef<IWbemClassObject> FindHeadOf(const wchar_t* controllerClass, WideString& errorText, HRESULT& status);
    // GetThumbnail's fetch, into any image record.
    HRESULT LoadThumbnail(GuestImage& into, WideString& errorText, float scale, int32_t width, int32_t height);
    // GetSummaryInformation's out-parameters for the open machine, or null ("err") when it failed.
    ComRef<IWbemClassObject> RequestSummary(WideString& errorText, int32_t requestCode);
    // Whether a device or head says it is enabled (EnabledState 2); the status of reading it.
    static HRESULT ReadEnabled(IWbemClassObject* element, bool& enabled);
    // The keyboard, looked up once and kept; false when the machine has none.
    bool FindKeyboard(WideString& errorText);
};
