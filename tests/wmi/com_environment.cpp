#include "com_environment.h"

namespace {
// Registered before main runs RUN_ALL_TESTS.
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);
}
