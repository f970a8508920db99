// The password must not outlive its use: wiped when replaced and before its memory is freed.
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

// While a secret is watched, every block freed through delete[] is searched for it first.
std::atomic<const wchar_t*> watchedSecret{nullptr};
std::atomic<int> secretsFreed{0};

void CheckFreedBlock(void* block) {
    const wchar_t* secret = watchedSecret.load();
    if (!secret || !block) return;
    const size_t chars = _msize(block) / sizeof(wchar_t), length = std::wcslen(secret);
    for (size_t i = 0; i + length <= chars; ++i) {
        if (std::wmemcmp(static_cast<const wchar_t*>(block) + i, secret, length) == 0) {
            ++secretsFreed;
            return;
        }
    }
}

// Frees of the program's strings while `secret` is watched that still held it.
template <class Body>
int FreedWith(const wchar_t* secret, Body body) {
    secretsFreed = 0;
    watchedSecret = secret;
    body();
    watchedSecret = nullptr;
    return secretsFreed.load();
}

}  // namespace

// The program's strings allocate with new[] and free with delete[]; these keep the standard
// behaviour on malloc, so that _msize can size a block about to be freed.
void* operator new[](size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc{};
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete[](void* block) noexcept {
    CheckFreedBlock(block);
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept { operator delete[](block); }

TEST(Credentials, APasswordIsWipedWhenReplacedAndBeforeItsMemoryIsFreed) {
    WmiCredentials credentials;
    credentials.SetCredentials(L"admin", L"Longer-Old-Password");
    const wchar_t* buffer = credentials.password.c_str();
    credentials.SetCredentials(L"admin", L"new");
    ASSERT_EQ(credentials.password.c_str(), buffer);  // the same block, no regrowth
    for (size_t i = 4; i <= std::wcslen(L"Longer-Old-Password"); ++i) EXPECT_EQ(buffer[i], L'\0') << i;

    // A password longer than the first buffer forces a regrowth on the way, too.
    for (const std::wstring& secret : {std::wstring(L"Sh0rt-Secret!"), std::wstring(5000, L'k') + L"-Tail"}) {
        EXPECT_EQ(FreedWith(secret.c_str(),
                            [&] {
                                VmConn conn;
                                conn.SetCredentials(L"HOST\\admin", secret.c_str());
                                conn.SetCredentials(L"HOST\\admin", L"other");  // replaced
                                conn.SetCredentials(L"HOST\\admin", secret.c_str());
                            }),  // destroyed
                  0)
            << "password of length " << secret.size();
    }
    // The watch is only worth something if it sees a secret freed as it stands.
    EXPECT_EQ(FreedWith(L"Sh0rt-Secret!", [] { WideString plain(L"xx Sh0rt-Secret! yy"); }), 1);
}
