// What the program asks of a host, worked out without one: which namespace a server answered
// before, the size of the screen image it requests and how it reads the image, and the pieces
// in which it types text.
#include "console/typing_queue.h"
#include "wmi/octet_string.h"
#include "wmi/provider_namespace.h"
#include "wmi/thumbnail_size.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(HostRequests, TextIsTypedInPiecesAHostTakesAndAsciiOnlyWhereNeeded) {
    // Where the piece from 0 ends, and where the next one does; a line end or a surrogate pair
    // across the 256th unit goes whole into the next piece.
    const struct {
        std::wstring text;
        size_t first, second;
    } cases[] = {
        {std::wstring(600, L'a'), 256, 512},
        {std::wstring(256, L'a'), 256, 256},
        {std::wstring(255, L'a') + L"\r\n" + std::wstring(300, L'b'), 255, 511},
        {std::wstring(255, L'a') + L"\r" + std::wstring(300, L'b'), 256, 512},  // a lone CR may end a piece
        {std::wstring(255, L'a') + L"\xD83D\xDE00" + std::wstring(300, L'b'), 255, 511},
        {std::wstring(255, L'a') + L"\xDE00\xD83D" + std::wstring(300, L'b'), 256, 512},  // not a pair
        {L"", 0, 0},
    };
    for (const auto& c : cases) {
        const size_t first = TypingPieceEnd(c.text.data(), c.text.size(), 0);
        EXPECT_EQ(first, c.first) << c.text.size();
        EXPECT_EQ(TypingPieceEnd(c.text.data(), c.text.size(), first), c.second) << c.text.size();
    }

    // The queue hands out every unit once, in order, a later text after an earlier one.
    TypingQueue queue;
    queue.Add(WideString(std::wstring(300, L'x').c_str()));
    queue.Add(WideString(L"yz"));
    std::wstring typed;
    WideString piece;
    while (queue.Next(piece)) typed.append(piece.c_str(), piece.Length());
    EXPECT_EQ(typed, std::wstring(300, L'x') + L"yz");
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.PieceStart(), 256u);

    // Where typing stopped, in characters as a user counts them (a surrogate pair is one).
    const std::wstring pasted = std::wstring(1000, L'a') + L"\xD83D\xDE00" + std::wstring(299, L'b');
    WideString said;
    BuildTypingStoppedText(pasted.c_str(), 1002, pasted.size(), L"why", said);
    EXPECT_STREQ(said.c_str(), L"typing stopped after 1,001 of 1,300 characters: why");

    WideString text(L"caf\x00E9 \xD83D\xDE00!\r\n\x7F~\xDC00");
    ReplaceNonAscii(text);
    EXPECT_STREQ(text.c_str(), L"caf? ?!\r\n\x7F~?");  // a surrogate pair is one character
}

TEST(HostRequests, AnImageIsReadWithOrWithoutItsLengthPrefix) {
    EXPECT_EQ(ImageBytes(320, 240), 153600u);
    EXPECT_EQ(ImageBytes(0, 240), 0u);
    EXPECT_EQ(ImageBytes(65536, 65536), 0u);  // no uint32
    const struct {
        std::vector<uint8_t> bytes;
        uint32_t payload;
        bool prefixed;
    } cases[] = {
        {{0, 0, 0, 6, 0xAA, 0xBB}, 2, true},
        {{0, 0, 0, 6, 0xAA, 0xBB}, 6, false},    // the plain image's own size
        {{0, 0, 0, 2, 0xAA, 0xBB}, 2, false},    // the payload's length, not the array's
        {{6, 0, 0, 0, 0xAA, 0xBB}, 2, false},    // little-endian
        {{0, 0, 0, 6, 0xAA}, 1, false},          // one byte short of its own length
        {{0, 0, 0, 4}, 0, true},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFB, false},  // payload + 4 beyond 32 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasOctetPrefix(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), c.payload), c.prefixed)
            << c.bytes.size() << " bytes, payload " << c.payload;
}
