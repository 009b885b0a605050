#include "tests/platform/ws/scenario_test.h"

namespace quillmar::ws::testing {

std::unique_ptr<ScenarioDriver> MakeDriver(const std::string& /*backend*/, std::string* /*why*/) {
  return MakeHeadlessDriver();
}

INSTANTIATE_TEST_SUITE_P(Headless, WindowScenario, ::testing::Values(std::string("headless")));

}  // namespace quillmar::ws::testing
