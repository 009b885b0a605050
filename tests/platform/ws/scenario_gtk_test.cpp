#include "tests/platform/ws/scenario_test.h"

namespace quillmar::ws::testing {

std::unique_ptr<ScenarioDriver> MakeDriver(const std::string& /*backend*/, std::string* why) {
  return MakeGtkDriver(why);
}

INSTANTIATE_TEST_SUITE_P(Gtk, WindowScenario, ::testing::Values(std::string("gtk")));

}  // namespace quillmar::ws::testing
