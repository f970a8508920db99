// Methods: signatures, parameter types and names, required parameters, and what each method does
// to the guest.
#include "sim_fixture.h"

namespace simtest {
namespace {

class MethodTest : public SimTest {
protected:
    // Calls a device method of a machine of the local host; returns ExecMethod's result.
    HRESULT Device(const wchar_t* machine, const wchar_t* cls, const wchar_t* method,
                   std::initializer_list<Param> params,
                   ComRef<IWbemClassObject>* outParams = nullptr, std::vector<HRESULT>* puts = nullptr) {
        ComRef<IWbemClassObject> out;
        HRESULT hr = session.Call(DevicePath(machine, cls), cls, method, params, out, puts);
        if (outParams) *outParams = std::move(out);
        return hr;
    }
    HRESULT Key(const wchar_t* method, int code, ComRef<IWbemClassObject>* out = nullptr) {
        return Device(L"Web Server 01", L"Msvm_Keyboard", method, {{L"keyCode", code}}, out);
    }
};

TEST_F(MethodTest, SignaturesDeclareTheProvidersParameters) {
    struct Case {
        const wchar_t* cls;
        const wchar_t* method;
        std::vector<std::pair<const wchar_t*, CIMTYPE>> in;
    } cases[] = {
        {L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage",
         {{L"TargetSystem", CIM_REFERENCE}, {L"WidthPixels", CIM_UINT16}, {L"HeightPixels", CIM_UINT16}}},
        {L"Msvm_VirtualSystemManagementService", L"GetSummaryInformation",
         {{L"SettingData", CIM_REFERENCE | CIM_FLAG_ARRAY}, {L"RequestedInformation", CIM_UINT32 | CIM_FLAG_ARRAY}}},
        {L"Msvm_SyntheticMouse", L"SetAbsolutePosition",
         {{L"horizontalPosition", CIM_SINT32}, {L"verticalPosition", CIM_SINT32}}},
        {L"Msvm_SyntheticMouse", L"SetButtonState", {{L"buttonIndex", CIM_UINT32}, {L"isDown", CIM_BOOLEAN}}},
        {L"Msvm_Ps2Mouse", L"SetRelativePosition", {{L"horizontalDelta", CIM_SINT8}, {L"verticalDelta", CIM_SINT8}}},
        {L"Msvm_Ps2Mouse", L"SetButtonState", {{L"buttonIndex", CIM_UINT32}, {L"buttonState", CIM_BOOLEAN}}},
        {L"Msvm_Keyboard", L"PressKey", {{L"keyCode", CIM_UINT32}}},
        {L"Msvm_Keyboard", L"ReleaseKey", {{L"keyCode", CIM_UINT32}}},
        {L"Msvm_Keyboard", L"IsKeyPressed", {{L"keyCode", CIM_UINT32}}},
        {L"Msvm_Keyboard", L"TypeText", {{L"asciiText", CIM_STRING}}},
        {L"Msvm_Keyboard", L"TypeScancodes", {{L"Scancodes", CIM_UINT8 | CIM_FLAG_ARRAY}}},
    };
    for (const auto& c : cases) {
        ComRef<IWbemClassObject> cls, in, out;
        ASSERT_EQ(session.services->GetObject(Text(c.cls), 0, nullptr, cls.Put(), nullptr), S_OK);
        ASSERT_EQ(cls->GetMethod(c.method, 0, in.Put(), out.Put()), S_OK) << c.method;
        EXPECT_EQ(GetText(in.Get(), L"__CLASS"), L"__PARAMETERS");
        EXPECT_EQ(GetI4(in.Get(), L"__PROPERTY_COUNT"), static_cast<LONG>(c.in.size())) << c.method;
        for (const auto& [name, type] : c.in) {
            CIMTYPE declared = 0;
            Variant value;
            EXPECT_EQ(in->Get(name, 0, value.Put(), &declared, nullptr), S_OK) << c.method << "." << name;
            EXPECT_EQ(declared, type) << c.method << "." << name;
        }
        CIMTYPE returnType = 0;
        EXPECT_EQ(out->Get(L"ReturnValue", 0, nullptr, &returnType, nullptr), S_OK);
        EXPECT_EQ(returnType, CIM_UINT32);
    }
}

TEST_F(MethodTest, MissingMethodsAreNotFoundAndTheFirstReleaseLacksTypeScancodes) {
    // (A missing method in general is compared with Wine's WMI in wine_compare_test.cpp.)
    ComRef<IWbemClassObject> cls, in, out;
    ASSERT_EQ(session.services->GetObject(Text(L"Msvm_Keyboard"), 0, nullptr, cls.Put(), nullptr), S_OK);
    EXPECT_EQ(cls->GetMethod(L"typescancodes", 0, in.Put(), nullptr), S_OK);
    // A method without in-parameters has no in-signature.
    EXPECT_EQ(cls->GetMethod(L"TypeCtrlAltDel", 0, in.Put(), out.Put()), S_OK);
    EXPECT_FALSE(in);
    EXPECT_TRUE(out);
    // Instances carry no method signatures.
    ComRef<IWbemClassObject> keyboard = session.First(L"Select * from Msvm_Keyboard");
    EXPECT_EQ(keyboard->GetMethod(L"PressKey", 0, in.Put(), nullptr), HR(WBEM_E_NOT_FOUND));

    Session old;
    ASSERT_EQ(old.Connect(L"\\\\oldhost\\root\\virtualization", L"admin", L"hyper-v"), S_OK);
    old.SetIdentity(L"admin", L"hyper-v");
    ASSERT_EQ(old.Blanket(old.services.Get(), true), S_OK);
    ASSERT_EQ(old.services->GetObject(Text(L"Msvm_Keyboard"), 0, nullptr, cls.Put(), nullptr), S_OK);
    EXPECT_EQ(cls->GetMethod(L"TypeScancodes", 0, in.Put(), out.Put()), HR(WBEM_E_NOT_FOUND));
    EXPECT_EQ(cls->GetMethod(L"TypeText", 0, in.Put(), out.Put()), S_OK);
}

TEST_F(MethodTest, PutConvertsToTheDeclaredTypeOrRefuses) {
    ComRef<IWbemClassObject> in = InParams(L"Msvm_Ps2Mouse", L"SetRelativePosition");
    ASSERT_TRUE(in);
    Variant v;
    v.SetInt32(200);  // does not fit sint8
    EXPECT_EQ(in->Put(L"horizontalDelta", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));
    Variant read;
    EXPECT_EQ(in->Get(L"horizontalDelta", 0, read.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(read.Type(), VT_NULL);  // left unset
    v.SetInt32(-120);
    EXPECT_EQ(in->Put(L"HorizontalDelta", 0, v.Get(), 0), S_OK);  // names are case-insensitive
    EXPECT_EQ(in->Get(L"horizontalDelta", 0, read.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(read.Type(), VT_I2);  // sint8 travels in VT_I2
    EXPECT_EQ(V_I2(read.Get()), -120);
    v.SetText(L"5");
    EXPECT_EQ(in->Put(L"verticalDelta", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));
    v.SetInt32(5);
    EXPECT_EQ(in->Put(L"verticalDelta", 0, v.Get(), CIM_SINT32), HR(WBEM_E_TYPE_MISMATCH));
    EXPECT_EQ(in->Put(L"noSuchParameter", 0, v.Get(), 0), HR(WBEM_E_NOT_FOUND));

    // uint16 refuses 70000 and negative values; uint32 takes any VT_I4 (its carrier).
    ComRef<IWbemClassObject> thumbIn = InParams(L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage");
    ASSERT_TRUE(thumbIn);
    v.SetInt32(70000);
    EXPECT_EQ(thumbIn->Put(L"WidthPixels", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));
    v.SetInt32(-1);
    EXPECT_EQ(thumbIn->Put(L"WidthPixels", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));
    v.SetInt32(65535);
    EXPECT_EQ(thumbIn->Put(L"WidthPixels", 0, v.Get(), 0), S_OK);
    ComRef<IWbemClassObject> pressIn = InParams(L"Msvm_Keyboard", L"PressKey");
    ASSERT_TRUE(pressIn);
    v.SetInt32(-1);
    EXPECT_EQ(pressIn->Put(L"keyCode", 0, v.Get(), 0), S_OK);
    v.SetBool(true);
    EXPECT_EQ(pressIn->Put(L"keyCode", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));

    // Arrays: each element must fit; the array arrives in the declared element type.
    ComRef<IWbemClassObject> scanIn = InParams(L"Msvm_Keyboard", L"TypeScancodes");
    ASSERT_TRUE(scanIn);
    SetI4Array(v, {0x1E, 300});
    EXPECT_EQ(scanIn->Put(L"Scancodes", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));
    v.SetInt32(0x1E);
    EXPECT_EQ(scanIn->Put(L"Scancodes", 0, v.Get(), 0), HR(WBEM_E_TYPE_MISMATCH));  // a scalar for an array
    SetI4Array(v, {0x1E, 0x9E});
    EXPECT_EQ(scanIn->Put(L"Scancodes", 0, v.Get(), 0), S_OK);
    EXPECT_EQ(scanIn->Get(L"Scancodes", 0, read.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(read.Type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(GetBytes(*read.Get()), (std::vector<uint8_t>{0x1E, 0x9E}));
}

TEST_F(MethodTest, ExecMethodRefusesWrongTargetsMethodsAndMissingParameters) {
    std::wstring mouse = DevicePath(L"Web Server 01", L"Msvm_SyntheticMouse");
    ComRef<IWbemClassObject> out;
    std::vector<HRESULT> puts;
    // A misspelt parameter name leaves the real one unset.
    EXPECT_EQ(session.Call(mouse, L"Msvm_SyntheticMouse", L"SetAbsolutePosition", {{L"horizontalPos", 10}, {L"verticalPosition", 20}},
                           out, &puts),
              HR(WBEM_E_INVALID_PARAMETER));
    EXPECT_EQ(puts, (std::vector<HRESULT>{HR(WBEM_E_NOT_FOUND), S_OK}));
    EXPECT_FALSE(out);
    EXPECT_EQ(session.Call(mouse, L"Msvm_SyntheticMouse", L"SetAbsolutePosition", {{L"horizontalPosition", 10}}, out),
              HR(WBEM_E_INVALID_PARAMETER));
    EXPECT_EQ(session.services->ExecMethod(Text(mouse), Text(L"SetAbsolutePosition"), 0, nullptr, nullptr, out.Put(),
                                           nullptr),
              HR(WBEM_E_INVALID_PARAMETER));
    EXPECT_EQ(session.services->ExecMethod(Text(L"Msvm_NoSuchClass.Name=\"x\""), Text(L"PressKey"), 0, nullptr, nullptr,
                                           out.Put(), nullptr),
              HR(WBEM_E_INVALID_CLASS));
    EXPECT_EQ(session.services->ExecMethod(Text(L"Msvm_SyntheticMouse"), Text(L"SetAbsolutePosition"), 0, nullptr,
                                           nullptr, out.Put(), nullptr),
              HR(WBEM_E_INVALID_OPERATION));  // not a static method
    std::wstring gone = mouse;
    gone.replace(gone.find(kWebServer), 8, L"00000000");
    EXPECT_EQ(session.Call(gone, L"Msvm_SyntheticMouse", L"SetAbsolutePosition", {{L"horizontalPosition", 10}, {L"verticalPosition", 20}},
                           out),
              HR(WBEM_E_NOT_FOUND));
    // In-parameters made for another method miss this one's parameters.
    ComRef<IWbemClassObject> in = InParams(L"Msvm_Keyboard", L"PressKey");
    Variant key;
    key.SetInt32(65);
    in->Put(L"keyCode", 0, key.Get(), 0);
    EXPECT_EQ(session.services->ExecMethod(Text(DevicePath(L"Web Server 01", L"Msvm_Keyboard")), Text(L"TypeText"), 0,
                                           nullptr, in.Get(), out.Put(), nullptr),
              HR(WBEM_E_INVALID_PARAMETER));
    EXPECT_EQ(Guest(L"Web Server 01").pointerX(), 512);  // nothing reached the guest
    // The right call works, with parameter names in any case.
    ASSERT_EQ(session.Call(mouse, L"msvm_syntheticmouse", L"setabsoluteposition",
                           {{L"HorizontalPosition", 10}, {L"VerticalPosition", 20}}, out),
              S_OK);
    ASSERT_TRUE(out);
    Variant rv;
    CIMTYPE type = 0;
    ASSERT_EQ(out->Get(L"ReturnValue", 0, rv.Put(), &type, nullptr), S_OK);
    EXPECT_EQ(rv.Type(), VT_I4);
    EXPECT_EQ(V_I4(rv.Get()), 0);
    EXPECT_EQ(Guest(L"Web Server 01").pointerX(), 10);
    EXPECT_EQ(Guest(L"Web Server 01").pointerY(), 20);
}

TEST_F(MethodTest, MiceMoveThePointerAndPressButtons) {
    hostsim::Guest& web = Guest(L"Web Server 01");
    const wchar_t *synthetic = L"Msvm_SyntheticMouse", *ps2 = L"Msvm_Ps2Mouse";
    ASSERT_EQ(Device(L"Web Server 01", synthetic, L"SetAbsolutePosition",
                     {{L"horizontalPosition", 5000}, {L"verticalPosition", -7}}),
              S_OK);
    EXPECT_EQ(web.pointerX(), 1023);  // clamped to the screen
    EXPECT_EQ(web.pointerY(), 0);
    ASSERT_EQ(Device(L"Web Server 01", synthetic, L"SetButtonState", {{L"buttonIndex", 2}, {L"isDown", true}}), S_OK);
    EXPECT_TRUE(web.ButtonDown(2));
    EXPECT_FALSE(web.ButtonDown(1));

    // The PS/2 mouse moves relatively; a positive verticalDelta moves up.
    hostsim::Guest& dos = Guest(L"Legacy DOS");
    int x = dos.pointerX(), y = dos.pointerY();
    ASSERT_EQ(Device(L"Legacy DOS", ps2, L"SetRelativePosition", {{L"horizontalDelta", 120}, {L"verticalDelta", -50}}), S_OK);
    EXPECT_EQ(dos.pointerX(), x + 120);
    EXPECT_EQ(dos.pointerY(), y + 50);
    for (int i = 0; i < 10; ++i)
        Device(L"Legacy DOS", ps2, L"SetRelativePosition", {{L"horizontalDelta", -128}, {L"verticalDelta", 127}});
    EXPECT_EQ(dos.pointerX(), 0);
    EXPECT_EQ(dos.pointerY(), 0);
    ASSERT_EQ(Device(L"Legacy DOS", ps2, L"SetButtonState", {{L"buttonIndex", 1}, {L"buttonState", true}}), S_OK);
    EXPECT_TRUE(dos.ButtonDown(1));

    // A disabled synthetic mouse answers "invalid state" and does nothing; enabling it changes that.
    ComRef<IWbemClassObject> out;
    ASSERT_EQ(Device(L"Legacy DOS", synthetic, L"SetAbsolutePosition", {{L"horizontalPosition", 10}, {L"verticalPosition", 10}}, &out), S_OK);
    EXPECT_EQ(GetI4(out.Get(), L"ReturnValue"), 32775);
    EXPECT_EQ(dos.pointerX(), 0);
    dos.SetMouseEnabledState(2);
    ASSERT_EQ(Device(L"Legacy DOS", synthetic, L"SetAbsolutePosition", {{L"horizontalPosition", 10}, {L"verticalPosition", 10}}, &out), S_OK);
    EXPECT_EQ(GetI4(out.Get(), L"ReturnValue"), 0);
    EXPECT_EQ(dos.pointerX(), 10);
    EXPECT_EQ(GetI4(session.First(L"Select * from Msvm_SyntheticMouse where SystemName = '" + std::wstring(kLegacyDos) + L"'").Get(),
                    L"EnabledState"),
              2);
    // Button indexes outside 1..5 are refused.
    ASSERT_EQ(Device(L"Web Server 01", synthetic, L"SetButtonState", {{L"buttonIndex", 9}, {L"isDown", true}}, &out), S_OK);
    EXPECT_EQ(GetI4(out.Get(), L"ReturnValue"), 32773);
}

TEST_F(MethodTest, KeyboardTracksKeysAndTypesIntoTheTextArea) {
    hostsim::Guest& guest = Guest(L"Web Server 01");
    ASSERT_EQ(Key(L"PressKey", 16), S_OK);  // generic Shift acts on left Shift
    EXPECT_TRUE(guest.KeyDown(160));
    EXPECT_FALSE(guest.KeyDown(161));
    ComRef<IWbemClassObject> out;
    ASSERT_EQ(Key(L"IsKeyPressed", 16, &out), S_OK);
    Variant state;
    ASSERT_EQ(out->Get(L"keyState", 0, state.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(state.Type(), VT_BOOL);
    EXPECT_EQ(V_BOOL(state.Get()), VARIANT_TRUE);
    Key(L"PressKey", 'H');
    Key(L"ReleaseKey", 'H');
    Key(L"ReleaseKey", 16);
    EXPECT_FALSE(guest.KeyDown(160));
    ASSERT_EQ(Key(L"IsKeyPressed", 160, &out), S_OK);
    EXPECT_EQ(GetI4(out.Get(), L"ReturnValue"), 0);
    ASSERT_EQ(out->Get(L"keyState", 0, state.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(V_BOOL(state.Get()), VARIANT_FALSE);
    Key(L"PressKey", 'I');
    Key(L"PressKey", 17);  // Ctrl held: keys are shortcuts, not text
    Key(L"PressKey", 'C');
    EXPECT_TRUE(guest.KeyDown(162));
    Key(L"ReleaseKey", 17);
    Key(L"PressKey", 'X');
    Key(L"PressKey", 8);  // Backspace
    EXPECT_EQ(guest.TypedText(), L"Hi");

    Variant text;
    text.SetText(L"\r\nline\r\nTab\there\n\x65e5!");
    ASSERT_EQ(Device(L"Web Server 01", L"Msvm_Keyboard", L"TypeText", {{L"asciiText", text}}), S_OK);
    EXPECT_EQ(guest.TypedText(), L"Hi\nline\nTab\there\n?!");  // no key types a character outside ASCII

    // Scan codes, one per call as the console sends them: Shift make, 'a', Shift break, 'b'.
    guest.ClearTypedText();
    for (LONG code : {0x2A, 0x1E, 0x9E, 0xAA, 0x30, 0xB0, 0xE0, 0x1D}) {
        Variant codes;
        SetI4Array(codes, {code});
        ASSERT_EQ(Device(L"Web Server 01", L"Msvm_Keyboard", L"TypeScancodes", {{L"Scancodes", codes}}), S_OK);
    }
    EXPECT_EQ(guest.TypedText(), L"Ab");
    EXPECT_TRUE(guest.KeyDown(163));  // E0 1D is the right Ctrl
    EXPECT_FALSE(guest.KeyDown(160));
    EXPECT_EQ(Key(L"PressKey", 300, &out), S_OK);
    EXPECT_EQ(GetI4(out.Get(), L"ReturnValue"), 32773);
}

TEST_F(MethodTest, ThumbnailsAreTightRgb565RowsOfTheLiveScreen) {
    std::wstring service = ServicePath(), settings = SettingsPath(kWebServer);
    hostsim::Guest& guest = Guest(L"Web Server 01");
    auto fetch = [&](const std::wstring& target, int w, int h, LONG* returnValue = nullptr) {
        Variant t;
        t.SetText(target.c_str());
        ComRef<IWbemClassObject> out;
        EXPECT_EQ(session.Call(service, L"Msvm_VirtualSystemManagementService", L"GetVirtualSystemThumbnailImage",
                               {{L"TargetSystem", t}, {L"WidthPixels", w}, {L"HeightPixels", h}}, out),
                  S_OK);
        if (returnValue) *returnValue = GetI4(out.Get(), L"ReturnValue");
        Variant image;
        out->Get(L"ImageData", 0, image.Put(), nullptr, nullptr);
        return GetBytes(*image.Get());
    };
    unsigned before = guest.frame();
    std::vector<uint8_t> odd = fetch(settings, 101, 75);
    ASSERT_EQ(odd.size(), 101u * 75 * 2);  // rows of 202 bytes, no padding
    EXPECT_EQ(guest.frame(), before + 1);
    EXPECT_EQ(odd, guest.Thumbnail(101, 75));
    auto pixel = [](const std::vector<uint8_t>& img, int w, int x, int y) {
        size_t at = (static_cast<size_t>(y) * w + x) * 2;
        return static_cast<uint16_t>(img[at] | (img[at + 1] << 8));
    };
    EXPECT_EQ(pixel(odd, 101, 0, 0), 0xF800);     // red corner: first row is the top
    EXPECT_EQ(pixel(odd, 101, 100, 0), 0x07E0);   // green top right
    EXPECT_EQ(pixel(odd, 101, 0, 74), 0x001F);    // blue bottom left
    EXPECT_EQ(pixel(odd, 101, 100, 74), 0xFFFF);  // white bottom right
    // Every image is a new frame, so two fetches differ (the frame counter).
    std::vector<uint8_t> full1 = fetch(settings, 1024, 768), full2 = fetch(settings, 1024, 768);
    EXPECT_NE(full1, full2);
    std::vector<uint16_t> fb = guest.Framebuffer();
    ASSERT_EQ(fb.size(), 1024u * 768);
    EXPECT_EQ(pixel(full2, 1024, 300, 300), fb[300 * 1024 + 300]);

    LONG rv = 0;
    EXPECT_TRUE(fetch(settings, 0, 10, &rv).empty());
    EXPECT_EQ(rv, 32773);
    // A snapshot's settings give its saved screen: another picture, the same every time, no new frame.
    std::wstring snapshot = PathOf(L"Select * from Msvm_VirtualSystemSettingData where SystemName = '" +
                                   std::wstring(kWebServer) + L"' and SettingType = 5");
    unsigned frames = guest.frame();
    std::vector<uint8_t> saved = fetch(snapshot, 80, 60, &rv);
    EXPECT_EQ(rv, 0);
    ASSERT_EQ(saved.size(), 80u * 60 * 2);
    EXPECT_NE(saved, guest.Thumbnail(80, 60));
    EXPECT_EQ(fetch(snapshot, 80, 60), saved);
    EXPECT_EQ(guest.frame(), frames);
    EXPECT_TRUE(fetch(MachinePath(L"Web Server 01"), 80, 60, &rv).empty());
    EXPECT_EQ(rv, 32773);
    EXPECT_TRUE(fetch(SettingsPath(L"D5DE65AD-5FD5-4312-AC3A-D92CD52A2519"), 80, 60, &rv).empty());  // no display
    EXPECT_EQ(rv, 32775);
}

TEST_F(MethodTest, SecondVersionTakesItsOwnPathsAndKeepsSnapshotsFrozen) {
    Session v2;
    ASSERT_EQ(v2.Connect(L"\\\\hv-2022\\root\\virtualization\\v2"), S_OK);
    auto path = [&](const std::wstring& wql) { return GetText(v2.First(wql).Get(), L"__PATH"); };
    std::wstring live = path(LiveSettingsV2(kGen1Database)),
                 checkpoint = path(L"Select * from Msvm_VirtualSystemSettingData where VirtualSystemIdentifier = '" +
                                   std::wstring(kGen1Database) + L"'");
    std::wstring service = path(L"Select * from Msvm_VirtualSystemManagementService");
    auto summaryImages = [&] {
        Variant settings, requests;
        SetTextArray(settings, {live, checkpoint});
        SetI4Array(requests, {6});
        ComRef<IWbemClassObject> out;
        EXPECT_EQ(v2.Call(service, L"Msvm_VirtualSystemManagementService", L"GetSummaryInformation",
                          {{L"SettingData", settings}, {L"RequestedInformation", requests}}, out),
                  S_OK);
        std::vector<std::vector<uint8_t>> images;
        Variant summaries;
        if (!out || FAILED(out->Get(L"SummaryInformation", 0, summaries.Put(), nullptr, nullptr)) ||
            summaries.Type() != (VT_ARRAY | VT_UNKNOWN))
            return images;
        for (LONG i = 0; i < 2; ++i) {
            ComRef<IUnknown> element;
            ComRef<IWbemClassObject> summary;
            Variant image;
            SafeArrayGetElement(V_ARRAY(summaries.Get()), &i, element.Put());
            element->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(summary.Put()));
            summary->Get(L"ThumbnailImage", 0, image.Put(), nullptr, nullptr);
            images.push_back(GetBytes(*image.Get()));
        }
        return images;
    };
    auto first = summaryImages(), second = summaryImages();
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0], Guest(L"Gen1 Database", "hv-2022").Thumbnail(160, 120));  // the live screen, a new frame
    EXPECT_NE(second[0], first[0]);
    EXPECT_EQ(second[1], first[1]);  // the checkpoint's saved screen does not move
    EXPECT_NE(second[1], second[0]);

    // A generation 2 machine's keyboard has every method, and no change gives it a PS/2 mouse.
    std::wstring keyboard = path(L"Select * from Msvm_Keyboard where SystemName = '" + std::wstring(kGen2Web) + L"'");
    ComRef<IWbemClassObject> out;
    ASSERT_EQ(v2.Call(keyboard, L"Msvm_Keyboard", L"TypeKey", {{L"keyCode", 'A'}}, out), S_OK);
    Variant codes;
    SetI4Array(codes, {0x30, 0xB0});
    ASSERT_EQ(v2.Call(keyboard, L"Msvm_Keyboard", L"TypeScancodes", {{L"Scancodes", codes}}, out), S_OK);
    EXPECT_EQ(Guest(L"Gen2 Web Server", "hv-2022").TypedText(), L"ab");
    EXPECT_FALSE(Guest(L"Gen2 Web Server", "hv-2022").KeyDown('A'));
    EXPECT_EQ(sim().AddChange("hv-2022", R"({"machine": "Gen2 Web Server", "set": {"mouse": "ps2"}})"), E_INVALIDARG);
}

TEST_F(MethodTest, SummaryInformationCarriesPresetThumbnailsAsEmbeddedObjects) {
    std::wstring service = ServicePath();
    for (auto [code, w, h] : {std::tuple{5, 80, 60}, std::tuple{6, 160, 120}, std::tuple{7, 320, 240}}) {
        Variant settings, requests;
        SetTextArray(settings, {SettingsPath(L"D4207639-22C0-4F02-A7CB-FAD87B0BE564")});  // Kiosk 1023
        SetI4Array(requests, {code, 1});
        ComRef<IWbemClassObject> out;
        ASSERT_EQ(session.Call(service, L"Msvm_VirtualSystemManagementService", L"GetSummaryInformation",
                               {{L"SettingData", settings}, {L"RequestedInformation", requests}}, out),
                  S_OK);
        Variant summaries;
        ASSERT_EQ(out->Get(L"SummaryInformation", 0, summaries.Put(), nullptr, nullptr), S_OK);
        ASSERT_EQ(summaries.Type(), VT_ARRAY | VT_UNKNOWN);
        LONG index = 0;
        ComRef<IUnknown> element;
        ASSERT_EQ(SafeArrayGetElement(V_ARRAY(summaries.Get()), &index, element.Put()), S_OK);
        ComRef<IWbemClassObject> summary;
        ASSERT_EQ(element->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(summary.Put())), S_OK);
        EXPECT_EQ(GetText(summary.Get(), L"__CLASS"), L"Msvm_SummaryInformation");
        EXPECT_EQ(GetText(summary.Get(), L"ElementName"), L"Kiosk 1023");
        EXPECT_EQ(GetText(summary.Get(), L"Name"), L"<none>");  // not asked for: NULL
        Variant image;
        ASSERT_EQ(summary->Get(L"ThumbnailImage", 0, image.Put(), nullptr, nullptr), S_OK);
        EXPECT_EQ(GetBytes(*image.Get()), Guest(L"Kiosk 1023").Thumbnail(w, h)) << code;
        EXPECT_EQ(GetBytes(*image.Get()).size(), static_cast<size_t>(w * h * 2)) << code;
    }
}

}  // namespace
}  // namespace simtest
