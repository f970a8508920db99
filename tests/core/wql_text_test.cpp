#include "wmi/provider_namespace.h"
#include "wmi/wql_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::wstring Literal(const wchar_t* value) {
    WideString q;
    AppendWqlLiteral(q, value);
    return q.c_str();
}
std::wstring Path(const wchar_t* server, ProviderVersion version = ProviderVersion::First) {
    WideString p;
    BuildNamespacePath(server, version, p);
    return p.c_str();
}
}  // namespace

TEST(WqlLiteral, EscapesBackslashAndApostropheOnly) {
    EXPECT_EQ(Literal(L"plain name"), L"plain name");
    EXPECT_EQ(Literal(L"O'Brien's vm"), L"O\\'Brien\\'s vm");
    EXPECT_EQ(Literal(L"a\\b"), L"a\\\\b");
    EXPECT_EQ(Literal(L"'"), L"\\'");
    EXPECT_EQ(Literal(L"\\'"), L"\\\\\\'");
    EXPECT_EQ(Literal(L"\"quoted\""), L"\"quoted\"");
    EXPECT_EQ(Literal(L""), L"");
    EXPECT_EQ(Literal(L"\x65e5\x672c"), L"\x65e5\x672c");
}

TEST(NamespacePath, EmptyAndDotAreLocalEverythingElseRemote) {
    EXPECT_EQ(Path(L""), L"root\\virtualization");
    EXPECT_EQ(Path(L"."), L"root\\virtualization");
    EXPECT_EQ(Path(L"localhost"), L"\\\\localhost\\root\\virtualization");
    EXPECT_EQ(Path(L". "), L"\\\\. \\root\\virtualization");
    EXPECT_EQ(Path(L".."), L"\\\\..\\root\\virtualization");
    EXPECT_EQ(Path(L"HyperV01"), L"\\\\HyperV01\\root\\virtualization");
    EXPECT_EQ(Path(L".", ProviderVersion::Second), L"root\\virtualization\\v2");
    EXPECT_EQ(Path(L"HyperV01", ProviderVersion::Second), L"\\\\HyperV01\\root\\virtualization\\v2");
}

TEST(NamespacePath, RememberedPerServerWithoutRegardToCase) {
    ServerNamespaces memory;
    ProviderVersion version = ProviderVersion::First;
    EXPECT_FALSE(memory.Find(L"hv-2022", version));
    memory.Remember(L"HV-2022", ProviderVersion::Second);
    memory.Remember(L"", ProviderVersion::Second);
    ASSERT_TRUE(memory.Find(L"hv-2022", version));
    EXPECT_EQ(version, ProviderVersion::Second);
    ASSERT_TRUE(memory.Find(L".", version));  // "" and "." are both this machine
    EXPECT_EQ(version, ProviderVersion::Second);
    EXPECT_FALSE(memory.Find(L"hv-2022.lab", version));
    EXPECT_FALSE(memory.Find(L"localhost", version));
    memory.Remember(L"hv-2022", ProviderVersion::First);  // the host answered otherwise since
    ASSERT_TRUE(memory.Find(L"HV-2022", version));
    EXPECT_EQ(version, ProviderVersion::First);
}

TEST(UserName, SplitsAtTheFirstBackslash) {
    struct Case {
        const wchar_t* typed;
        bool hasDomain;
        size_t domainLength, userOffset, userLength;
    } cases[] = {
        {L"HOST\\admin", true, 4, 5, 5},
        {L"admin", false, 0, 0, 5},
        {L"a\\b\\c", true, 1, 2, 3},
        {L"\\admin", true, 0, 1, 5},
        {L"admin\\", true, 5, 6, 0},
        {L"", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::wstring typed(c.typed);
        UserNameParts parts = SplitUserName(typed.c_str(), typed.size());
        EXPECT_EQ(parts.hasDomain, c.hasDomain) << typed;
        EXPECT_EQ(parts.domainOffset, 0u) << typed;
        EXPECT_EQ(parts.domainLength, c.domainLength) << typed;
        EXPECT_EQ(parts.userOffset, c.userOffset) << typed;
        EXPECT_EQ(parts.userLength, c.userLength) << typed;
    }
}
