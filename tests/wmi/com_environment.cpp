// COM as the program sets it up, for every test of this program: the multithreaded apartment and
// process-wide security with the default authentication level and identify impersonation.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

namespace {

class ComEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        HRESULT hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                          RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
        ASSERT_TRUE(SUCCEEDED(hr) || hr == RPC_E_TOO_LATE) << std::hex << hr;
    }
    void TearDown() override { CoUninitialize(); }
};

// Registered before main runs RUN_ALL_TESTS.
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

}  // namespace
