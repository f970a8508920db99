// Video head and screen image against the simulated host.
#include "sim_fixture.h"

#include <cstring>

namespace {
int Number(const nlohmann::json& in, const char* name) { return in.at(name).get<int>(); }
}  // namespace

TEST_F(SimTest, VideoHeadFromTheSyntheticControllerThenS3ThenNone) {
    Open(L"Web Server 01");
    sim().ClearCalls();
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    EXPECT_TRUE(conn->videoHead.object);
    EXPECT_EQ(conn->guestWidth, 1024);
    EXPECT_EQ(conn->guestHeight, 768);
    std::vector<std::string> queries = Queries();
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_EQ(queries[0], "Select * from Msvm_SyntheticDisplayController where SystemName = "
                          "'E902B661-192D-4AE0-B3CD-460D78E7C36C'");
    EXPECT_EQ(queries[1].rfind("Associators of {", 0), 0u);
    EXPECT_NE(queries[1].find("Msvm_SyntheticDisplayController"), std::string::npos);
    EXPECT_EQ(queries[1].substr(queries[1].size() - 34), "} WHERE resultClass=Msvm_VideoHead");

    // A resolution change inside the guest is seen at the next lookup.
    Guest(L"Web Server 01").SetResolution(1280, 1024);
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    EXPECT_EQ(conn->guestWidth, 1280);
    EXPECT_EQ(conn->guestHeight, 1024);

    ASSERT_EQ(conn->OpenMachine(L"Build Agent", errorText), 0);
    sim().ClearCalls();
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    EXPECT_TRUE(conn->videoHead.object);
    EXPECT_EQ(conn->guestWidth, 640);
    EXPECT_EQ(conn->guestHeight, 480);
    queries = Queries();
    ASSERT_EQ(queries.size(), 3u);  // synthetic: none; S3: controller and head
    EXPECT_EQ(queries[1], "Select * from Msvm_S3DisplayController where SystemName = "
                          "'DBE94A8E-1565-4151-8E72-E7EBEA768AA3'");

    ASSERT_EQ(conn->OpenMachine(L"Headless Appliance", errorText), 0);
    conn->guestWidth = conn->guestHeight = 1;
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    EXPECT_FALSE(conn->videoHead.object);
    EXPECT_EQ(conn->guestWidth, 640);
    EXPECT_EQ(conn->guestHeight, 480);
}

TEST_F(SimTest, VideoHeadFailures) {
    Open(L"Web Server 01");
    AddFault(R"({"call": "Get", "class": "Msvm_VideoHead", "property": "CurrentVerticalResolution",
                 "hr": "0x80010108", "count": 1})");
    EXPECT_EQ(conn->FindVideoHead(errorText), RpcDisconnected);
    EXPECT_EQ(conn->guestWidth, 1024);

    // Failing lookups are no error: the guest is then taken as 640 x 480. (Both controllers, then
    // the head by the machine's identifier.)
    AddFault(R"({"call": "ExecQuery", "hr": "0x80041017", "count": 3})");
    errorText.Clear();
    EXPECT_EQ(conn->FindVideoHead(errorText), 0);
    EXPECT_STREQ(errorText.c_str(), L"Query for operating system name failed.");
    EXPECT_EQ(conn->guestWidth, 640);
    EXPECT_EQ(conn->guestHeight, 480);
}

TEST_F(SimTest, SummaryRouteForPresetSizesIgnoresScaleAndGuestSize) {
    Open(L"Web Server 01");
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    struct Case {
        int width, height, code;
    } cases[] = {{80, 60, 5}, {160, 120, 6}, {320, 240, 7}};
    for (const Case& c : cases) {
        sim().ClearCalls();
        ASSERT_EQ(conn->GetThumbnail(errorText, 2.0f, c.width, c.height), 0);
        EXPECT_EQ(conn->summaryRequest, c.code);
        std::vector<nlohmann::json> calls = Executions("GetSummaryInformation");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_TRUE(Executions("GetVirtualSystemThumbnailImage").empty());
        EXPECT_EQ(calls[0]["RequestedInformation"], nlohmann::json::array({c.code}));
        ASSERT_EQ(calls[0]["SettingData"].size(), 1u);
        EXPECT_EQ(calls[0]["SettingData"][0], Ascii(conn->settingData.PathText()));
        EXPECT_EQ(Calls("ExecMethod")[0].target, Ascii(conn->managementService.PathText()));

        ASSERT_EQ(conn->image.byteCount, c.width * c.height * 2);
        EXPECT_EQ(conn->image.header.biWidth, c.width);
        EXPECT_EQ(conn->image.header.biHeight, c.height);
        std::vector<uint8_t> sent = Guest(L"Web Server 01").Thumbnail(c.width, c.height);
        ASSERT_EQ(sent.size(), static_cast<size_t>(conn->image.byteCount));
        EXPECT_EQ(std::memcmp(conn->image.pixels.Data(), sent.data(), sent.size()), 0);
    }
}

TEST_F(SimTest, MethodRouteClampsScalesAndTruncates) {
    struct Case {
        const wchar_t* machine;  // guest size in the built-in scenario
        int width, height;
        float scale;
        int sentWidth, sentHeight;
    } cases[] = {
        {L"Web Server 01", 640, 480, 0.5f, 320, 240},     // 1024 x 768
        {L"Web Server 01", 2000, 2000, 1.0f, 1024, 768},  // clamped
        {L"Legacy DOS", 0, 0, 0.25f, 200, 150},           // 800 x 600
        {L"Web Server 01", 0, 0, 0.33f, 337, 253},        // 337.92 and 253.44 truncated
        {L"Media Center HD", 0, 0, 1.0f, 1920, 1080},
    };
    for (const Case& c : cases) {
        conn = std::make_unique<VmConn>();
        Open(c.machine);
        ASSERT_EQ(conn->FindVideoHead(errorText), 0);
        sim().ClearCalls();
        ASSERT_EQ(conn->GetThumbnail(errorText, c.scale, c.width, c.height), 0) << errorText.c_str();
        EXPECT_EQ(conn->summaryRequest, 0);
        std::vector<nlohmann::json> calls = Executions("GetVirtualSystemThumbnailImage");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(Number(calls[0], "WidthPixels"), c.sentWidth);
        EXPECT_EQ(Number(calls[0], "HeightPixels"), c.sentHeight);
        EXPECT_EQ(calls[0]["TargetSystem"], Ascii(conn->settingData.PathText()));
        EXPECT_EQ(conn->image.byteCount, c.sentWidth * c.sentHeight * 2);
        EXPECT_EQ(conn->image.header.biWidth, c.sentWidth);
        EXPECT_EQ(conn->image.header.biHeight, c.sentHeight);
        EXPECT_EQ(conn->image.header.biSizeImage, static_cast<DWORD>(conn->image.byteCount));
    }
}

TEST_F(SimTest, PixelBufferGrowsOnlyForALargerImage) {
    Open(L"Media Center HD");
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 80, 60), 0);
    EXPECT_EQ(conn->image.pixels.Capacity(), 80u * 60u * 2u);  // 9600: more than the first 1024
    ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 0, 0), 0);
    EXPECT_EQ(conn->image.pixels.Capacity(), 1920u * 1080u * 2u);
    const uint8_t* block = conn->image.pixels.Data();
    ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
    ASSERT_EQ(conn->GetThumbnail(errorText, 0.5f, 0, 0), 0);
    EXPECT_EQ(conn->image.pixels.Data(), block);
    EXPECT_EQ(conn->image.pixels.Capacity(), 1920u * 1080u * 2u);
    EXPECT_EQ(conn->image.byteCount, 960 * 540 * 2);
}

TEST_F(SimTest, RepliesWithoutAByteArrayLeaveNoPicture) {
    Open(L"Web Server 01");
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    for (int width : {320, 640}) {
        const int height = width * 3 / 4;
        ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, width, height), 0);
        ASSERT_GT(conn->image.byteCount, 0);
        const BITMAPINFOHEADER before = conn->image.header;
        AddFault(R"({"reply": "imageNotArray", "count": 1})");
        errorText.Assign(L"kept");
        EXPECT_EQ(conn->GetThumbnail(errorText, 1.0f, width, height), 0);
        EXPECT_EQ(conn->image.byteCount, 0);
        EXPECT_STREQ(errorText.c_str(), L"kept");
        EXPECT_EQ(std::memcmp(&conn->image.header, &before, sizeof before), 0);
    }
    // A short array is still a byte array: taken as it is, the header from the request.
    AddFault(R"({"reply": "imageShort", "count": 1})");
    ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 640, 480), 0);
    EXPECT_EQ(conn->image.byteCount, 640 * 480);
    EXPECT_EQ(conn->image.header.biWidth, 640);

    // A machine without a display answers the summary without an image.
    ASSERT_EQ(conn->OpenMachine(L"Headless Appliance", errorText), 0);
    EXPECT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
    EXPECT_EQ(conn->image.byteCount, 0);
}

TEST_F(SimTest, FailedImageCallsKeepOrDropThePictureAsTheRouteSays) {
    Open(L"Web Server 01");
    ASSERT_EQ(conn->FindVideoHead(errorText), 0);
    ASSERT_EQ(conn->GetThumbnail(errorText, 1.0f, 640, 480), 0);
    const int32_t kept = conn->image.byteCount;

    // Method route: the ExecMethod result, "err", and the last picture stays.
    for (const char* fault :
         {R"({"call": "ExecMethod", "method": "GetVirtualSystemThumbnailImage", "hr": "0x80010108", "count": 1})",
          R"({"call": "ExecMethod", "hr": "0x80041008", "count": 1})"}) {
        AddFault(fault);
        sim().ClearCalls();
        HRESULT hr = conn->GetThumbnail(errorText, 1.0f, 640, 480);
        EXPECT_EQ(hr, Calls("ExecMethod").at(0).hr) << fault;
        EXPECT_NE(hr, 0);
        EXPECT_STREQ(errorText.c_str(), L"err");
        EXPECT_EQ(conn->image.byteCount, kept);
    }
    // A preparatory step failing ends the call the same way, before anything is executed.
    for (const char* step : {"GetObject", "GetMethod", "SpawnInstance"}) {
        ASSERT_EQ(conn->Connect(L"", errorText), 0);  // the class is fetched anew on a new connection
        AddFault(std::string(R"({"call": ")") + step + R"(", "hr": "0x80041002", "count": 1})");
        sim().ClearCalls();
        EXPECT_EQ(conn->GetThumbnail(errorText, 1.0f, 640, 480), WbemNotFoundCode) << step;
        EXPECT_STREQ(errorText.c_str(), L"err");
        EXPECT_EQ(sim().CountCalls("ExecMethod"), 0) << step;
        EXPECT_EQ(conn->image.byteCount, kept);
    }

    // Summary route: "err" with result 0, and no picture.
    AddFault(R"({"call": "ExecMethod", "method": "GetSummaryInformation", "hr": "0x80010108", "count": 1})");
    EXPECT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
    EXPECT_STREQ(errorText.c_str(), L"err");
    EXPECT_EQ(conn->image.byteCount, 0);
    EXPECT_EQ(conn->summaryRequest, 7);

    // The host going away for good: every later request fails, nothing crashes.
    AddFault(R"({"call": "ExecMethod", "disconnect": true})");
    EXPECT_EQ(conn->GetThumbnail(errorText, 1.0f, 640, 480), RpcDisconnected);
    EXPECT_EQ(conn->GetThumbnail(errorText, 1.0f, 320, 240), 0);
    EXPECT_EQ(conn->FindVideoHead(errorText), 0);
    EXPECT_EQ(conn->guestWidth, 640);
}
