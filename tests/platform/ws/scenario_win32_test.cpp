#include "tests/platform/ws/scenario_test.h"

namespace quillmar::ws::testing {

INSTANTIATE_TEST_SUITE_P(Win32, WindowScenario, ::testing::Values(std::string("win32")));

}  // namespace quillmar::ws::testing
