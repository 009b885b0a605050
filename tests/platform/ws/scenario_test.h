#pragma once
// Fixture of the scenario suite; the parameter names the backend.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/ws/scenario_driver.h"

namespace quillmar::ws::testing {

class WindowScenario : public ::testing::TestWithParam<std::string> {
 protected:
  using Hook = std::function<std::optional<LResult>(WindowHandle, uint32_t, WParam, LParam)>;
  void SetUp() override;
  void TearDown() override;
  WindowSystem& ws() { return driver_->System(); }
  // A visible layered popup showing two opaque halves, ready for input.
  WindowHandle OpenWindow(Rect rect, Hook hook = {});

  std::unique_ptr<ScenarioDriver> driver_;
  MessageLog log_;
  std::vector<uint32_t> picture_;
};

}  // namespace quillmar::ws::testing
