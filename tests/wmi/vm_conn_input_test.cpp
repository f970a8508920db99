// Mouse and keyboard device methods against the simulated host.
#include "sim_fixture.h"

namespace {
std::vector<std::pair<int, int>> Deltas(const std::vector<nlohmann::json>& calls) {
    std::vector<std::pair<int, int>> deltas;
    for (const nlohmann::json& in : calls) {
        deltas.emplace_back(in.at("horizontalDelta").get<int>(), in.at("verticalDelta").get<int>());
    }
    return deltas;
}
using Steps = std::vector<std::pair<int, int>>;
}  // namespace

TEST_F(SimTest, FindMouseTakesTheSyntheticMouseOnlyWhenEnabled) {
    struct Case {
        const wchar_t* machine;
        bool synthetic, ps2;
    } cases[] = {
        {L"Web Server 01", true, false},
        {L"Legacy DOS", false, true},  // synthetic mouse disabled: the PS/2 mouse is used
        {L"Build Agent", false, true},
        {L"Headless Appliance", false, false},
    };
    for (const Case& c : cases) {
        conn = std::make_unique<VmConn>();
        Open(c.machine);
        sim().ClearCalls();
        EXPECT_EQ(conn->FindMouse(errorText), 0);
        EXPECT_EQ(static_cast<bool>(conn->syntheticMouse.object), c.synthetic) << Ascii(c.machine);
        EXPECT_EQ(static_cast<bool>(conn->ps2Mouse.object), c.ps2) << Ascii(c.machine);
        std::vector<std::string> queries = Queries();
        ASSERT_GE(queries.size(), 1u);
        const std::string anchor = "Associators of {" + Ascii(conn->machine.PathText());
        EXPECT_EQ(queries[0], anchor + "} Where ResultClass=Msvm_SyntheticMouse");
        if (!c.synthetic) {
            ASSERT_EQ(queries.size(), 2u);
            EXPECT_EQ(queries[1], anchor + "} Where ResultClass=Msvm_Ps2Mouse");
        }
        if (!c.synthetic && !c.ps2) {  // no mouse at all: the mouse calls send nothing
            sim().ClearCalls();
            EXPECT_EQ(conn->SetAbsolutePosition(5, 5, errorText), 0);
            EXPECT_EQ(conn->SetRelativePosition(5, 5, errorText), 0);
            EXPECT_EQ(conn->SetButtonState(1, true, errorText), 0);
            EXPECT_EQ(sim().CountCalls("ExecMethod") + sim().CountCalls("GetObject"), 0);
        }
    }
    // Disabled later: the next lookup leaves the synthetic mouse alone.
    Open(L"Web Server 01");
    Guest(L"Web Server 01").SetMouseEnabledState(3);
    EXPECT_EQ(conn->FindMouse(errorText), 0);
    EXPECT_FALSE(conn->syntheticMouse.object);
}

TEST_F(SimTest, AbsolutePositionAndButtonsOnTheSyntheticMouse) {
    Open(L"Web Server 01");
    // No FindMouse yet: the first position call looks for the device itself.
    ASSERT_EQ(conn->SetAbsolutePosition(100, 200, errorText), 0);
    EXPECT_TRUE(conn->syntheticMouse.object);
    hostsim::Guest& guest = Guest(L"Web Server 01");
    EXPECT_EQ(guest.pointerX(), 100);
    EXPECT_EQ(guest.pointerY(), 200);
    std::vector<nlohmann::json> moves = Executions("SetAbsolutePosition");
    ASSERT_EQ(moves.size(), 1u);
    std::vector<hostsim::CallRecord> puts = Calls("Put", "SetAbsolutePosition");
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_EQ(puts[0].property, "HorizontalPosition");
    EXPECT_EQ(puts[1].property, "VerticalPosition");

    sim().ClearCalls();
    ASSERT_EQ(conn->SetButtonState(2, true, errorText), 0);
    EXPECT_TRUE(guest.ButtonDown(2));
    std::vector<hostsim::CallRecord> execs = Calls("ExecMethod", "SetButtonState");
    ASSERT_EQ(execs.size(), 1u);
    EXPECT_EQ(execs[0].target, Ascii(conn->syntheticMouse.PathText()));
    nlohmann::json in = nlohmann::json::parse(execs[0].inJson);
    EXPECT_EQ(in["buttonIndex"], 2);
    EXPECT_EQ(in["isDown"], true);
    EXPECT_EQ(Queries().size(), 0u);  // the held synthetic mouse is used without a new lookup
    ASSERT_EQ(conn->SetButtonState(2, false, errorText), 0);
    EXPECT_FALSE(guest.ButtonDown(2));
}

TEST_F(SimTest, RelativeMovesAreSplitIntoStepsOfAtMost120WithTheVerticalNegated) {
    Open(L"Build Agent");
    // Without a held PS/2 mouse nothing is sent and nothing is looked up.
    EXPECT_EQ(conn->SetRelativePosition(300, -50, errorText), 0);
    EXPECT_EQ(sim().CountCalls("ExecMethod"), 0);
    ASSERT_EQ(conn->FindMouse(errorText), 0);
    ASSERT_TRUE(conn->ps2Mouse.object);

    struct Case {
        int dx, dy;
        Steps steps;
    } cases[] = {
        {300, -50, {{120, 50}, {120, 0}, {60, 0}}},
        {-250, 0, {{-120, 0}, {-120, 0}, {-10, 0}}},
        {0, 10, {{0, -10}}},
        {0, 0, {}},
        {-5, 240, {{-5, -120}, {0, -120}}},
    };
    for (const Case& c : cases) {
        sim().ClearCalls();
        EXPECT_EQ(conn->SetRelativePosition(c.dx, c.dy, errorText), 0);
        EXPECT_EQ(Deltas(Executions("SetRelativePosition")), c.steps) << c.dx << "," << c.dy;
        // One in-parameter instance per movement, however many steps; the class is fetched on
        // the connection's first movement only.
        EXPECT_EQ(sim().CountCalls("GetObject"), &c == cases ? 1 : 0);
        EXPECT_EQ(sim().CountCalls("SpawnInstance"), 1);
    }
    // A failing step does not end the movement; the last step's status is the result.
    AddFault(R"({"call": "ExecMethod", "method": "SetRelativePosition", "hr": "0x80010108", "count": 1})");
    sim().ClearCalls();
    EXPECT_EQ(conn->SetRelativePosition(200, 0, errorText), 0);
    EXPECT_EQ(sim().CountCalls("ExecMethod", "SetRelativePosition"), 2);
    AddFault(R"({"call": "ExecMethod", "method": "SetRelativePosition", "hr": "0x80010108", "after": 1,
                 "count": 1})");
    EXPECT_EQ(conn->SetRelativePosition(200, 0, errorText), RpcDisconnected);
}

TEST_F(SimTest, ButtonCallsRunDiscoverySoAnEnabledSyntheticMouseTakesOver) {
    Open(L"Legacy DOS");
    ASSERT_EQ(conn->FindMouse(errorText), 0);
    ASSERT_TRUE(conn->ps2Mouse.object);
    hostsim::Guest& guest = Guest(L"Legacy DOS");

    sim().ClearCalls();
    ASSERT_EQ(conn->SetButtonState(1, true, errorText), 0);
    EXPECT_EQ(Queries().size(), 2u);  // discovery ran again before the press
    std::vector<hostsim::CallRecord> execs = Calls("ExecMethod", "SetButtonState");
    ASSERT_EQ(execs.size(), 1u);
    EXPECT_EQ(execs[0].target, Ascii(conn->ps2Mouse.PathText()));
    EXPECT_EQ(nlohmann::json::parse(execs[0].inJson)["buttonState"], true);
    EXPECT_TRUE(guest.ButtonDown(1));

    guest.SetMouseEnabledState(2);
    sim().ClearCalls();
    ASSERT_EQ(conn->SetButtonState(1, false, errorText), 0);
    EXPECT_TRUE(conn->syntheticMouse.object);
    EXPECT_FALSE(conn->ps2Mouse.object);
    execs = Calls("ExecMethod", "SetButtonState");
    ASSERT_EQ(execs.size(), 1u);
    EXPECT_EQ(execs[0].target, Ascii(conn->syntheticMouse.PathText()));
    EXPECT_EQ(nlohmann::json::parse(execs[0].inJson)["isDown"], false);
}

TEST_F(SimTest, MouseFailuresGiveTheirStatus) {
    Open(L"Web Server 01");
    AddFault(R"({"call": "Get", "class": "Msvm_SyntheticMouse", "property": "EnabledState",
                 "hr": "0x80010108", "count": 1})");
    EXPECT_EQ(conn->FindMouse(errorText), RpcDisconnected);
    EXPECT_FALSE(conn->syntheticMouse.object);

    ASSERT_EQ(conn->FindMouse(errorText), 0);
    AddFault(R"({"call": "GetObject", "hr": "0x80041010", "count": 1})");
    EXPECT_EQ(conn->SetAbsolutePosition(1, 1, errorText), static_cast<HRESULT>(0x80041010));
    AddFault(R"({"call": "ExecMethod", "hr": "0x80041008", "count": 1})");
    EXPECT_EQ(conn->SetAbsolutePosition(1, 1, errorText), static_cast<HRESULT>(0x80041008));
    AddFault(R"({"call": "Get", "property": "ReturnValue", "hr": "0x80041002", "count": 1})");
    EXPECT_EQ(conn->SetButtonState(1, true, errorText), WbemNotFoundCode);
    AddFault(R"({"call": "ExecMethod", "disconnect": true})");
    EXPECT_EQ(conn->SetButtonState(1, false, errorText), RpcDisconnected);
    EXPECT_EQ(conn->SetAbsolutePosition(1, 1, errorText), RpcDisconnected);
}

TEST_F(SimTest, KeyboardIsLookedUpOnceAndAgainAfterAReset) {
    Open(L"Web Server 01");
    hostsim::Guest& guest = Guest(L"Web Server 01");
    ASSERT_EQ(conn->SendKey('A', 1, errorText), 0);
    EXPECT_TRUE(guest.KeyDown('A'));
    ASSERT_EQ(conn->SendKey('A', 0, errorText), 0);
    EXPECT_FALSE(guest.KeyDown('A'));
    ASSERT_EQ(conn->SendKey(VK_SHIFT, 1, errorText), 0);
    EXPECT_TRUE(guest.KeyDown(VK_SHIFT));
    auto keyboardQueries = [&] {
        int n = 0;
        for (const std::string& q : Queries()) n += q.find("ResultClass=Msvm_Keyboard") != std::string::npos;
        return n;
    };
    EXPECT_EQ(keyboardQueries(), 1);
    std::vector<nlohmann::json> presses = Executions("PressKey");
    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[0]["keyCode"], 'A');
    EXPECT_EQ(Executions("ReleaseKey").size(), 1u);
    EXPECT_EQ(Calls("Get", "PressKey").size() + Calls("Get", "ReleaseKey").size(), 3u);  // ReturnValue

    conn->keyboard.Reset(nullptr);  // as the console does on connect
    ASSERT_EQ(conn->SendKey(VK_SHIFT, 0, errorText), 0);
    EXPECT_EQ(keyboardQueries(), 2);
}

TEST_F(SimTest, NoKeyboardMeansNoCallsAndAFreshLookEveryTime) {
    LoadHost(R"({"hosts": [{"name": "localhost", "aliases": [""], "hostName": "H", "machines": [
        {"elementName": "Keyless", "name": "C4C4C4C4-0000-4000-8000-000000000004", "keyboard": false}]}]})");
    Open(L"Keyless");
    int32_t pressed = 5;
    sim().ClearCalls();
    EXPECT_EQ(conn->SendKey('A', 1, errorText), 0);
    EXPECT_EQ(conn->IsKeyPressed('A', pressed, errorText), 0);
    EXPECT_EQ(conn->TypeText(L"x", errorText), 0);
    EXPECT_EQ(conn->TypeScancodes(0x1E, errorText), 0);
    EXPECT_EQ(pressed, 5);
    EXPECT_EQ(sim().CountCalls("ExecMethod"), 0);
    EXPECT_EQ(sim().CountCalls("ExecQuery"), 4);
}

TEST_F(SimTest, IsKeyPressedKeepsOrClearsPressedAsTheReplySays) {
    Open(L"Web Server 01");
    int32_t pressed = -1;
    ASSERT_EQ(conn->SendKey(VK_CONTROL, 1, errorText), 0);
    ASSERT_EQ(conn->IsKeyPressed(VK_CONTROL, pressed, errorText), 0);
    EXPECT_EQ(pressed, 1);
    ASSERT_EQ(conn->SendKey(VK_CONTROL, 0, errorText), 0);
    ASSERT_EQ(conn->IsKeyPressed(VK_CONTROL, pressed, errorText), 0);
    EXPECT_EQ(pressed, 0);

    // A failed execution leaves the caller's value.
    pressed = 42;
    AddFault(R"({"call": "ExecMethod", "method": "IsKeyPressed", "hr": "0x80010108", "count": 1})");
    EXPECT_EQ(conn->IsKeyPressed(VK_CONTROL, pressed, errorText), RpcDisconnected);
    EXPECT_EQ(pressed, 42);

    // A reply without keyState counts as not pressed, with the read's status.
    ASSERT_EQ(conn->SendKey(VK_CONTROL, 1, errorText), 0);
    AddFault(R"({"reply": "propertyMissing", "property": "keyState", "count": 1})");
    EXPECT_EQ(conn->IsKeyPressed(VK_CONTROL, pressed, errorText), WbemNotFoundCode);
    EXPECT_EQ(pressed, 0);
}

TEST_F(SimTest, TypeTextSendsTheTextUnchanged) {
    Open(L"Web Server 01");
    hostsim::Guest& guest = Guest(L"Web Server 01");
    guest.ClearTypedText();
    const std::wstring text = L"first line\r\nsecond 'line' \\ end";
    ASSERT_EQ(conn->TypeText(text.c_str(), errorText), 0);
    std::vector<nlohmann::json> calls = Executions("TypeText");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]["asciiText"], "first line\r\nsecond 'line' \\ end");
    EXPECT_NE(guest.TypedText().find(L"second 'line'"), std::wstring::npos);
}

TEST_F(SimTest, TypeScancodesNeedsTheSecondProviderRelease) {
    Open(L"Web Server 01");
    ASSERT_EQ(conn->TypeScancodes(0x9E, errorText), 0);
    std::vector<nlohmann::json> calls = Executions("TypeScancodes");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]["Scancodes"], nlohmann::json::array({0x9E}));  // zero-extended

    conn = std::make_unique<VmConn>();
    conn->SetCredentials(L"admin", L"hyper-v");
    ASSERT_EQ(conn->Connect(L"oldhost", errorText), 0);
    ASSERT_EQ(conn->OpenMachine(L"Windows 2008 Guest", errorText), 0);
    sim().ClearCalls();
    EXPECT_EQ(conn->TypeScancodes(0x1E, errorText), WbemNotFoundCode);
    EXPECT_STREQ(errorText.c_str(), L"This function is require Hyper-V R2.");
    EXPECT_EQ(sim().CountCalls("ExecMethod"), 0);
    // The other keyboard methods work there as ever.
    errorText.Clear();
    EXPECT_EQ(conn->SendKey('B', 1, errorText), 0);
    EXPECT_STREQ(errorText.c_str(), L"");

    // A missing class is not the missing method: no such text. (The class kept since the first
    // call goes with the connection.)
    ASSERT_EQ(conn->Connect(L"oldhost", errorText), 0);
    AddFault(R"({"call": "GetObject", "hr": "0x80041002", "count": 1})");
    errorText.Clear();
    EXPECT_EQ(conn->TypeScancodes(0x1E, errorText), WbemNotFoundCode);
    EXPECT_STREQ(errorText.c_str(), L"");
}
