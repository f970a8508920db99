// The password must not outlive its use: wiped when replaced and before its memory is freed.
// (How the user name is split is checked at the simulated host, which reads the identity.)
#include "wmi/vm_conn.h"
#include "wmi/wmi_credentials.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <malloc.h>
#include <new>
#include <string>

namespace {

// While a secret is set, every block freed through delete[] is searched for it first.
std::atomic<const wchar_t*> watchedSecret{nullptr};
std::atomic<int> secretsFreed{0};

void CheckFreedBlock(void* block) {
    const wchar_t* secret = watchedSecret.load();
    if (!secret || !block) return;
    size_t chars = _msize(block) / sizeof(wchar_t);
    size_t length = std::wcslen(secret);
    const wchar_t* text = static_cast<const wchar_t*>(block);
    for (size_t i = 0; i + length <= chars; ++i) {
        if (std::wmemcmp(text + i, secret, length) == 0) {
            ++secretsFreed;
            return;
        }
    }
}

}  // namespace

// The program's own strings allocate with new[] and free with delete[]; these replacements keep
// the standard behaviour on malloc so that _msize can size a block about to be freed.
void* operator new[](size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc{};
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete[](void* block) noexcept {
    CheckFreedBlock(block);
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    CheckFreedBlock(block);
    std::free(block);
}

TEST(Credentials, ReplacedPasswordLeavesNoTraceInItsBuffer) {
    WmiCredentials credentials;
    credentials.SetCredentials(L"admin", L"Longer-Old-Password");
    const wchar_t* buffer = credentials.password.c_str();
    credentials.SetCredentials(L"admin", L"new");
    ASSERT_EQ(credentials.password.c_str(), buffer);  // same block, no regrowth
    EXPECT_STREQ(buffer, L"new");
    for (size_t i = 4; i <= std::wcslen(L"Longer-Old-Password"); ++i) {
        EXPECT_EQ(buffer[i], L'\0') << i;
    }
}

TEST(Credentials, PasswordIsWipedBeforeItsMemoryIsFreed) {
    // A password longer than the initial buffer forces a regrowth on the way, too.
    std::wstring longSecret(5000, L'k');
    longSecret += L"-Tail";
    for (const std::wstring& secret : {std::wstring(L"Sh0rt-Secret!"), longSecret}) {
        secretsFreed = 0;
        watchedSecret = secret.c_str();
        auto* conn = new VmConn;
        conn->SetCredentials(L"HOST\\admin", secret.c_str());
        conn->SetCredentials(L"HOST\\admin", L"other");  // replaced
        conn->SetCredentials(L"HOST\\admin", secret.c_str());
        delete conn;  // destroyed
        watchedSecret = nullptr;
        EXPECT_EQ(secretsFreed.load(), 0) << "password of length " << secret.size();
    }
}

TEST(Credentials, TheWatchCatchesAnUnwipedString) {
    // The check above is only worth something if it sees a secret freed as it stands.
    secretsFreed = 0;
    watchedSecret = L"Sh0rt-Secret!";
    { WideString plain(L"xx Sh0rt-Secret! yy"); }
    watchedSecret = nullptr;
    EXPECT_EQ(secretsFreed.load(), 1);
}
