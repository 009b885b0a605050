#include "tests/platform/ws/scenario_driver.h"

namespace quillmar::ws::testing {

WindowProc MessageLog::Proc(WindowSystem& ws,
                            std::function<std::optional<LResult>(WindowHandle, uint32_t, WParam, LParam)> hook) {
  return [this, &ws, hook](WindowHandle hwnd, uint32_t msg, WParam wParam, LParam lParam) -> LResult {
    {
      std::lock_guard lock(mutex_);
      entries_.push_back(Entry{hwnd, msg, wParam, lParam, ws.OnUiThread()});
    }
    if (hook) {
      if (auto result = hook(hwnd, msg, wParam, lParam)) return *result;
    }
    return ws.DefaultProc(hwnd, msg, wParam, lParam);
  };
}

std::vector<MessageLog::Entry> MessageLog::Of(uint32_t msg) const {
  std::lock_guard lock(mutex_);
  std::vector<Entry> out;
  for (const Entry& e : entries_) {
    if (e.msg == msg) out.push_back(e);
  }
  return out;
}

std::vector<uint32_t> MessageLog::Messages() const {
  std::lock_guard lock(mutex_);
  std::vector<uint32_t> out;
  for (const Entry& e : entries_) out.push_back(e.msg);
  return out;
}

void MessageLog::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

namespace {

class HeadlessDriver final : public ScenarioDriver {
 public:
  WindowSystem& System() override { return *hs_; }
  void Pump(int ms) override { hs_->Advance(ms); }
  bool PumpUntil(const std::function<bool()>& done, int maxMs) override {
    for (int t = 0; t <= maxMs; t += 10) {
      hs_->RunPending();
      if (done()) return true;
      hs_->Advance(10);
    }
    return hs_->RunUntil(done, 2000);
  }
  void MoveMouse(Point p) override { hs_->MoveMouse(p); }
  void Press(MouseButton b) override { hs_->PressButton(b); }
  void Release(MouseButton b) override { hs_->ReleaseButton(b); }
  void Click(Point p, MouseButton b) override {
    hs_->Advance(600);  // well apart from any earlier click
    hs_->Click(p, b);
  }
  void DoubleClick(Point p) override {
    hs_->Advance(600);
    hs_->DoubleClick(p);
  }
  void Wheel(int notches) override { hs_->Wheel(notches * kWheelDelta); }
  void Key(int vk) override { hs_->PressKey(vk); }
  void CtrlKey(int vk) override {
    hs_->KeyDown(Vk::Control);
    hs_->PressKey(vk);
    hs_->KeyUp(Vk::Control);
  }
  void Type(const std::string& ascii) override { hs_->TypeText(ascii); }
  void TypeUnicode(const std::u16string& units, const std::string& /*utf8*/) override { hs_->CommitIme(units); }
  std::optional<uint32_t> ReadBack(WindowHandle hwnd, Point client) override {
    const auto* picture = hs_->Presented(hwnd);
    if (picture == nullptr || client.x >= picture->size.width || client.y >= picture->size.height) return std::nullopt;
    return picture->At(client.x, client.y);
  }
  bool Exact() const override { return true; }

 private:
  ScopedHeadless hs_;
};

}  // namespace

std::unique_ptr<ScenarioDriver> MakeHeadlessDriver() { return std::make_unique<HeadlessDriver>(); }

}  // namespace quillmar::ws::testing
