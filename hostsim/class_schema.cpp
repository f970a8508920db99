#include "hostsim/class_schema.h"

#include "hostsim/text_util.h"

namespace hostsim {
namespace {

constexpr CIMTYPE kArray = CIM_FLAG_ARRAY;
const PropertyDef kReturnValue{L"ReturnValue", CIM_UINT32};

const std::vector<std::wstring> kLogicalElement = {L"CIM_EnabledLogicalElement", L"CIM_LogicalElement",
                                                   L"CIM_ManagedSystemElement", L"CIM_ManagedElement"};

std::vector<std::wstring> Chain(std::initializer_list<const wchar_t*> own, bool logicalElement = true) {
    std::vector<std::wstring> chain(own.begin(), own.end());
    if (logicalElement) chain.insert(chain.end(), kLogicalElement.begin(), kLogicalElement.end());
    return chain;
}

// Properties every device class carries, keys included.
std::vector<PropertyDef> DeviceProperties(std::initializer_list<PropertyDef> more) {
    std::vector<PropertyDef> props = {
        {L"Caption", CIM_STRING},          {L"CreationClassName", CIM_STRING},
        {L"Description", CIM_STRING},      {L"DeviceID", CIM_STRING},
        {L"ElementName", CIM_STRING},      {L"EnabledState", CIM_UINT16},
        {L"HealthState", CIM_UINT16},      {L"SystemCreationClassName", CIM_STRING},
        {L"SystemName", CIM_STRING},
    };
    props.insert(props.end(), more.begin(), more.end());
    return props;
}

const std::vector<std::wstring> kDeviceKeys = {L"CreationClassName", L"DeviceID", L"SystemCreationClassName",
                                               L"SystemName"};

MethodDef Method(const wchar_t* name, std::vector<PropertyDef> in, std::vector<PropertyDef> out = {}) {
    out.insert(out.begin(), kReturnValue);
    return {name, std::move(in), std::move(out)};
}

}  // namespace

const PropertyDef* ClassDef::FindProperty(const std::wstring& n) const {
    for (const auto& p : properties)
        if (IEquals(p.name, n)) return &p;
    return nullptr;
}

const MethodDef* ClassDef::FindMethod(const std::wstring& n) const {
    for (const auto& m : methods)
        if (IEquals(m.name, n)) return &m;
    return nullptr;
}

bool ClassDef::IsA(const std::wstring& className) const {
    if (IEquals(name, className)) return true;
    for (const auto& ancestor : derivation)
        if (IEquals(ancestor, className)) return true;
    return false;
}

Schema::Schema(ProviderVersion version, bool withTypeScancodes) {
    if (version == ProviderVersion::Cluster) {
        classes_ = ClusterClasses();
        return;
    }
    const bool v2 = version == ProviderVersion::V2;
    classes_.push_back({L"Msvm_ComputerSystem",
                        Chain({L"CIM_ComputerSystem", L"CIM_System"}),
                        {{L"Caption", CIM_STRING},
                         {L"CreationClassName", CIM_STRING},
                         {L"Description", CIM_STRING},
                         {L"ElementName", CIM_STRING},
                         {L"EnabledState", CIM_UINT16},
                         {L"HealthState", CIM_UINT16},
                         {L"Name", CIM_STRING},
                         {L"OnTimeInMilliseconds", CIM_UINT64},
                         {L"OperationalStatus", CIM_UINT16 | kArray},
                         {L"ProcessID", CIM_UINT32}},
                        {L"CreationClassName", L"Name"},
                        {}});
    std::vector<PropertyDef> settings = {{L"Caption", CIM_STRING},
                                         {L"Description", CIM_STRING},
                                         {L"ElementName", CIM_STRING},
                                         {L"InstanceID", CIM_STRING}};
    settings.push_back({L"Notes", CIM_STRING});
    settings.push_back({L"Parent", CIM_STRING});
    if (v2) {
        settings.push_back({L"VirtualSystemIdentifier", CIM_STRING});
        settings.push_back({L"VirtualSystemType", CIM_STRING});
    } else {
        settings.push_back({L"SettingType", CIM_UINT16});
        settings.push_back({L"SystemName", CIM_STRING});
    }
    classes_.push_back({L"Msvm_VirtualSystemSettingData",
                        Chain({L"CIM_VirtualSystemSettingData", L"CIM_SettingData", L"CIM_ManagedElement"}, false),
                        std::move(settings),
                        {L"InstanceID"},
                        {}});
    classes_.push_back(
        {L"Msvm_VirtualSystemManagementService",
         Chain({L"CIM_VirtualSystemManagementService", L"CIM_Service"}),
         {{L"Caption", CIM_STRING},
          {L"CreationClassName", CIM_STRING},
          {L"Description", CIM_STRING},
          {L"ElementName", CIM_STRING},
          {L"EnabledState", CIM_UINT16},
          {L"HealthState", CIM_UINT16},
          {L"Name", CIM_STRING},
          {L"Started", CIM_BOOLEAN},
          {L"SystemCreationClassName", CIM_STRING},
          {L"SystemName", CIM_STRING}},
         {L"CreationClassName", L"Name", L"SystemCreationClassName", L"SystemName"},
         // Without SettingData the summary covers every machine of the host.
         {Method(L"GetSummaryInformation",
                 {{L"SettingData", CIM_REFERENCE | kArray, true}, {L"RequestedInformation", CIM_UINT32 | kArray}},
                 {{L"SummaryInformation", CIM_OBJECT | kArray}}),
          Method(L"GetVirtualSystemThumbnailImage",
                 {{L"TargetSystem", CIM_REFERENCE}, {L"WidthPixels", CIM_UINT16}, {L"HeightPixels", CIM_UINT16}},
                 {{L"ImageData", CIM_UINT8 | kArray}})}});
    classes_.push_back({L"Msvm_SyntheticDisplayController",
                        Chain({L"CIM_DisplayController", L"CIM_Controller", L"CIM_LogicalDevice"}),
                        DeviceProperties({}), kDeviceKeys, {}});
    classes_.push_back({L"Msvm_S3DisplayController",
                        Chain({L"CIM_DisplayController", L"CIM_Controller", L"CIM_LogicalDevice"}),
                        DeviceProperties({}), kDeviceKeys, {}});
    classes_.push_back({L"Msvm_VideoHead",
                        Chain({L"CIM_VideoHead", L"CIM_LogicalDevice"}),
                        DeviceProperties({{L"CurrentBitsPerPixel", CIM_UINT32},
                                          {L"CurrentHorizontalResolution", CIM_UINT32},
                                          {L"CurrentVerticalResolution", CIM_UINT32}}),
                        kDeviceKeys,
                        {}});
    classes_.push_back({L"Msvm_SyntheticMouse",
                        Chain({L"CIM_PointingDevice", L"CIM_UserDevice", L"CIM_LogicalDevice"}),
                        DeviceProperties({}),
                        kDeviceKeys,
                        {Method(L"ClickButton", {{L"buttonIndex", CIM_UINT32}}),
                         Method(L"GetButtonState", {{L"buttonIndex", CIM_UINT32}}, {{L"isDown", CIM_BOOLEAN}}),
                         Method(L"SetAbsolutePosition",
                                {{L"horizontalPosition", CIM_SINT32}, {L"verticalPosition", CIM_SINT32}}),
                         Method(L"SetButtonState", {{L"buttonIndex", CIM_UINT32}, {L"isDown", CIM_BOOLEAN}}),
                         Method(L"SetScrollPosition", {{L"scrollPositionDelta", CIM_SINT32}})}});
    // A real host lists the class in this spelling; asked for as Msvm_Ps2Mouse it answers too.
    classes_.push_back({L"Msvm_PS2Mouse",
                        Chain({L"CIM_PointingDevice", L"CIM_UserDevice", L"CIM_LogicalDevice"}),
                        DeviceProperties({}),
                        kDeviceKeys,
                        {Method(L"ClickButton", {{L"buttonIndex", CIM_UINT32}}),
                         Method(L"GetButtonState", {{L"buttonIndex", CIM_UINT32}}, {{L"buttonState", CIM_BOOLEAN}}),
                         Method(L"SetButtonState", {{L"buttonIndex", CIM_UINT32}, {L"buttonState", CIM_BOOLEAN}}),
                         Method(L"SetRelativePosition",
                                {{L"horizontalDelta", CIM_SINT8}, {L"verticalDelta", CIM_SINT8}}),
                         Method(L"SetScrollPosition", {{L"scrollPositionDelta", CIM_SINT8}})}});
    std::vector<MethodDef> keyboard = {
        Method(L"IsKeyPressed", {{L"keyCode", CIM_UINT32}}, {{L"keyState", CIM_BOOLEAN}}),
        Method(L"PressKey", {{L"keyCode", CIM_UINT32}}),
        Method(L"ReleaseKey", {{L"keyCode", CIM_UINT32}}),
        Method(L"TypeCtrlAltDel", {}),
        Method(L"TypeKey", {{L"keyCode", CIM_UINT32}}),
        Method(L"TypeText", {{L"asciiText", CIM_STRING}}),
    };
    if (v2 || withTypeScancodes) keyboard.push_back(Method(L"TypeScancodes", {{L"Scancodes", CIM_UINT8 | kArray}}));
    classes_.push_back({L"Msvm_Keyboard",
                        Chain({L"CIM_Keyboard", L"CIM_UserDevice", L"CIM_LogicalDevice"}),
                        DeviceProperties({}), kDeviceKeys, std::move(keyboard)});
    classes_.push_back({L"Msvm_SummaryInformation",
                        {},
                        {{L"ElementName", CIM_STRING},
                         {L"EnabledState", CIM_UINT16},
                         {L"GuestOperatingSystem", CIM_STRING},
                         {L"HealthState", CIM_UINT16},
                         {L"Heartbeat", CIM_UINT16},
                         {L"MemoryUsage", CIM_UINT64},
                         {L"Name", CIM_STRING},
                         {L"Notes", CIM_STRING},
                         {L"NumberOfProcessors", CIM_UINT16},
                         {L"OperationalStatus", CIM_UINT16 | kArray},
                         {L"ProcessorLoad", CIM_UINT16},
                         {L"ThumbnailImage", CIM_UINT8 | kArray},
                         {L"UpTime", CIM_UINT64}},
                        {},
                        {}});

    // Machine control: state changes, the guest's shutdown service, jobs and checkpoints.
    const PropertyDef jobOut{L"Job", CIM_REFERENCE};
    for (ClassDef& c : classes_) {
        if (c.name == L"Msvm_ComputerSystem")
            c.methods.push_back(Method(L"RequestStateChange",
                                       {{L"RequestedState", CIM_UINT16}, {L"TimeoutPeriod", CIM_DATETIME, true}},
                                       {jobOut}));
        if (c.name == L"Msvm_VirtualSystemManagementService" && !v2)  // the second has a snapshot service
            c.methods.push_back(Method(L"CreateVirtualSystemSnapshot", {{L"SourceSystem", CIM_REFERENCE}},
                                       {{L"SnapshotSettingData", CIM_REFERENCE}, jobOut}));
    }
    classes_.push_back({L"Msvm_ShutdownComponent",
                        Chain({L"CIM_LogicalDevice"}),
                        DeviceProperties({{L"OperationalStatus", CIM_UINT16 | kArray}}),
                        kDeviceKeys,
                        {Method(L"InitiateShutdown", {{L"Force", CIM_BOOLEAN}, {L"Reason", CIM_STRING}})}});
    std::vector<PropertyDef> job = {{L"Caption", CIM_STRING},       {L"Cancellable", CIM_BOOLEAN},
                                    {L"Description", CIM_STRING},   {L"ElementName", CIM_STRING},
                                    {L"ErrorCode", CIM_UINT16},     {L"ErrorDescription", CIM_STRING},
                                    {L"InstanceID", CIM_STRING},    {L"JobState", CIM_UINT16},
                                    {L"Name", CIM_STRING},          {L"PercentComplete", CIM_UINT16}};
    if (v2) job.push_back({L"JobType", CIM_UINT16});
    classes_.push_back({L"Msvm_ConcreteJob", Chain({L"CIM_ConcreteJob", L"CIM_Job"}), std::move(job), {L"InstanceID"}, {}});
    if (v2)
        classes_.push_back(
            {L"Msvm_VirtualSystemSnapshotService",
             Chain({L"CIM_VirtualSystemSnapshotService", L"CIM_Service"}),
             {{L"Caption", CIM_STRING},
              {L"CreationClassName", CIM_STRING},
              {L"ElementName", CIM_STRING},
              {L"Name", CIM_STRING},
              {L"SystemCreationClassName", CIM_STRING},
              {L"SystemName", CIM_STRING}},
             {L"CreationClassName", L"Name", L"SystemCreationClassName", L"SystemName"},
             {Method(L"CreateSnapshot",
                     {{L"AffectedSystem", CIM_REFERENCE},
                      {L"SnapshotSettings", CIM_STRING},
                      {L"SnapshotType", CIM_UINT16},
                      {L"ResultingSnapshot", CIM_REFERENCE, true}},
                     {{L"ResultingSnapshot", CIM_REFERENCE}, jobOut})}});
}

const Schema& Schema::For(ProviderVersion version, bool withTypeScancodes) {
    static const Schema firstRelease(ProviderVersion::V1, false), laterRelease(ProviderVersion::V1, true),
        secondVersion(ProviderVersion::V2, true), cluster(ProviderVersion::Cluster, true);
    if (version == ProviderVersion::Cluster) return cluster;
    if (version == ProviderVersion::V2) return secondVersion;
    return withTypeScancodes ? laterRelease : firstRelease;
}

const ClassDef* Schema::Find(const std::wstring& name) const {
    for (const auto& c : classes_)
        if (IEquals(c.name, name)) return &c;
    return nullptr;
}

bool Schema::IsKnownClass(const std::wstring& name) const {
    for (const auto& c : classes_)
        if (c.IsA(name)) return true;
    return false;
}

ClassDef ParametersClass(const std::vector<PropertyDef>& parameters) {
    return {L"__PARAMETERS", {}, parameters, {}, {}};
}

}  // namespace hostsim
