// What the program asks of a host, worked out without one: which namespace a server answered
// before, and the size of the screen image it requests.
#include "wmi/provider_namespace.h"
#include "wmi/thumbnail_size.h"

#include <gtest/gtest.h>

TEST(HostRequests, NamespacesAreRememberedPerServerWithoutRegardToCase) {
    ServerNamespaces memory;
    memory.Remember(L"HV-2022", ProviderVersion::Second);
    memory.Remember(L"", ProviderVersion::Second);
    const struct {
        const wchar_t* server;
        bool known;
    } cases[] = {{L"hv-2022", true}, {L"HV-2022", true}, {L".", true},  // "" and "." are this machine
                 {L"hv-2022.lab", false}, {L"localhost", false}, {L"hv-2012", false}};
    for (const auto& c : cases) {
        ProviderVersion version = ProviderVersion::First;
        EXPECT_EQ(memory.Find(c.server, version), c.known) << testing::PrintToString(std::wstring(c.server));
        if (c.known) {
            EXPECT_EQ(version, ProviderVersion::Second);
        }
    }
    memory.Remember(L"hv-2022", ProviderVersion::First);  // the host answered otherwise since
    ProviderVersion version = ProviderVersion::Second;
    ASSERT_TRUE(memory.Find(L"HV-2022", version));
    EXPECT_EQ(version, ProviderVersion::First);
}

TEST(HostRequests, ImageSizesGoToTheSummaryOrAreClampedAndScaled) {
    const struct {
        int32_t width, height, code;
    } summary[] = {{80, 60, 5}, {160, 120, 6}, {320, 240, 7}, {240, 320, 0}, {640, 480, 0}};
    for (const auto& c : summary) EXPECT_EQ(SummaryRequestFor(c.width, c.height), c.code) << c.width << "x" << c.height;

    const struct {
        int32_t width, height;
        float scale;
        int32_t guestW, guestH, sentW, sentH;
    } sizes[] = {
        {640, 480, 0.5f, 1024, 768, 320, 240},
        {2000, 2000, 1.0f, 1024, 768, 1024, 768},   // clamped to the guest's screen
        {640, 0, 1.0f, 1024, 768, 1024, 768},       // either side 0: the whole screen
        {0, 0, 0.25f, 800, 600, 200, 150},
        {0, 0, 0.33f, 1024, 768, 337, 253},         // 337.92 and 253.44 truncated
        {1000, 1000, 0.7f, 1920, 1080, 700, 700},   // single precision: a double product gives 699
        {0, 0, 1e30f, 1024, 768, 0, 0},             // beyond any integer: 0, not undefined
    };
    for (const auto& c : sizes) {
        const ImageSize sent = ThumbnailRequestSize(c.width, c.height, c.scale, c.guestW, c.guestH);
        EXPECT_EQ(sent.width, c.sentW) << c.width << "x" << c.height << " at " << c.scale;
        EXPECT_EQ(sent.height, c.sentH) << c.width << "x" << c.height << " at " << c.scale;
    }
}
