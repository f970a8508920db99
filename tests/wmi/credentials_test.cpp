// The password must not outlive its use: kept only encrypted, wiped when replaced and before its
// memory is freed, and nowhere in plain text after a connection is made.
#include "hostsim/hostsim.h"
#include "wmi/vm_conn.h"
#include "wmi/wmi_credentials.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <dpapi.h>

#include <atomic>
#include <cstring>
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

namespace {

// Busy blocks of every heap of the process whose bytes hold `secret` as UTF-16.
int HeapBlocksHolding(const wchar_t* secret) {
    const size_t bytes = std::wcslen(secret) * sizeof(wchar_t);
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    int found = 0;
    for (DWORD h = 0; h < count && h < 256; ++h) {
        if (!HeapLock(heaps[h])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[h], &entry)) {
            if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) || entry.cbData < bytes) continue;
            const auto* data = static_cast<const unsigned char*>(entry.lpData);
            for (size_t i = 0; i + bytes <= entry.cbData; i += sizeof(wchar_t))
                if (std::memcmp(data + i, secret, bytes) == 0) {
                    ++found;
                    break;
                }
        }
        HeapUnlock(heaps[h]);
    }
    return found;
}

// Whether this system's CryptProtectMemory leaves the text as it is (Wine's does).
bool ProtectionIsANoOp() {
    unsigned char block[CRYPTPROTECTMEMORY_BLOCK_SIZE] = "plain text here";
    CryptProtectMemory(block, sizeof block, CRYPTPROTECTMEMORY_SAME_PROCESS);
    return std::memcmp(block, "plain text here", sizeof block) == 0;
}

}  // namespace

TEST(Credentials, APasswordIsWipedWhenReplacedAndBeforeItsMemoryIsFreed) {
    // A longer password, then a shorter one; one longer than a string's first buffer forces a
    // regrowth of every plain copy on the way.
    for (const std::wstring& secret : {std::wstring(L"Sh0rt-Secret!"), std::wstring(5000, L'k') + L"-Tail"}) {
        EXPECT_EQ(FreedWith(secret.c_str(),
                            [&] {
                                VmConn conn;
                                conn.SetCredentials(L"HOST\\admin", secret.c_str());
                                conn.SetCredentials(L"HOST\\admin", L"other");  // replaced
                                conn.SetCredentials(L"HOST\\admin", secret.c_str());
                                WideString plain;
                                conn.credentials.password.Reveal(plain);  // as a call gets it
                                EXPECT_EQ(plain.Length(), secret.size());
                                plain.Wipe();
                                WmiCredentials::Revealed revealed(conn.credentials);
                                EXPECT_EQ(revealed.Identity()->PasswordLength, secret.size());
                            }),  // destroyed
                  0)
            << "password of length " << secret.size();
    }
    // Any string that grows out of its block while it holds a secret leaves that block wiped.
    EXPECT_EQ(FreedWith(L"Sh0rt-Secret!",
                        [] {
                            WideString grown(L"Sh0rt-Secret!");
                            grown.Append(std::wstring(5000, L'x').c_str());
                            grown.Wipe();
                        }),
              0);
    // The watch is only worth something if it sees a secret freed as it stands.
    EXPECT_EQ(FreedWith(L"Sh0rt-Secret!", [] { WideString plain(L"xx Sh0rt-Secret! yy"); }), 1);
}

TEST(Credentials, NoPlainPasswordStaysInTheHeapAfterConnect) {
    hostsim::InProcessHost host("");
    ASSERT_EQ(host.Status(), S_OK);
    // Built on the stack, so that the needle is no block of the heap itself.
    wchar_t secret[] = L"Tr0ub4dor&3-heap";
    {
        VmConn conn;
        WideString errorText;
        conn.SetCredentials(L"LAB\\admin", secret);
        ASSERT_EQ(conn.Connect(L"hv-2022", errorText), 0) << errorText.c_str();
        ASSERT_EQ(conn.FindManagementService(errorText), 0) << errorText.c_str();
        ASSERT_EQ(conn.OpenMachine(L"Gen2 Web Server", errorText), 0) << errorText.c_str();
        conn.GetThumbnail(errorText, 1.0f, 320, 240);
        // The one copy kept is the encrypted one; where the system's protection does nothing (Wine),
        // that block holds it as typed, and it is the only one.
        EXPECT_EQ(HeapBlocksHolding(secret), ProtectionIsANoOp() ? 1 : 0);
        conn.credentials.ForgetPassword();  // as DisConnect does
        EXPECT_EQ(HeapBlocksHolding(secret), 0);
    }
    EXPECT_EQ(HeapBlocksHolding(secret), 0);
}
