#include "ui/core/element_registry.h"

#include <gtest/gtest.h>

#include "platform/ws/headless_window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/process_values.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

ElementRecord& RecordOf(int32_t key) {
  ElementRecord* rec = Registry().Find(key);
  EXPECT_NE(rec, nullptr);
  return *rec;
}

void ClearFlags(int32_t key) {
  RecordOf(key).needsCompose = 0;
  RecordOf(key).changed = 0;
}

TEST(ElementRegistry, KeysAreConsecutiveAndRegisteringTwiceKeepsTheKey) {
  SeedObjectId(5);
  const int32_t seed = CurrentObjectId();
  UiWindow a;
  UiWindow b;
  const int32_t ka = a.Register(0, 0, 10, 10, "OVCL_LABEL");
  const int32_t kb = b.Register(0, 0, 10, 10, "OVCL_LABEL");
  EXPECT_EQ(ka, seed + 1);
  EXPECT_EQ(kb, ka + 1);
  EXPECT_EQ(a.Register(5, 5, 1, 1, "OVCL_BUTTON"), ka);
  EXPECT_EQ(a.GetTag(), "OVCL_LABEL");
  EXPECT_EQ(a.GetWidth(), 10);
}

TEST(ElementRegistry, LookupFindsEveryKeyAfterRemovals) {
  std::vector<std::unique_ptr<UiWindow>> windows;
  for (int i = 0; i < 9; ++i) {
    windows.push_back(std::make_unique<UiWindow>());
    windows.back()->Register(i, 0, 1, 1, "OVCL_LABEL");
  }
  const int32_t removed = windows[4]->Key();
  windows[4].reset();
  windows[0].reset();
  EXPECT_EQ(Registry().FindElement(removed), -1);
  EXPECT_EQ(Registry().FindElement(0), -1);
  for (const auto& w : windows) {
    if (!w) continue;
    const int32_t index = Registry().FindElement(w->Key());
    ASSERT_GT(index, 0);
    EXPECT_EQ(Registry().RecordAt(index).key, w->Key());
  }
}

TEST(ElementRegistry, SeedingTheKeyCounterAgainKeepsEveryElementFindable) {
  SeedObjectId(5);
  UiWindow a;
  UiWindow b;
  a.Register(0, 0, 10, 10, "OVCL_LABEL");
  b.Register(0, 0, 10, 10, "OVCL_BUTTON");
  // Seed again so the counter lands below the keys in use.
  uint32_t seed = 6;
  for (SeedObjectId(seed); CurrentObjectId() >= a.Key() - 2; SeedObjectId(++seed)) {
  }
  UiWindow c;
  ASSERT_LT(c.Register(0, 0, 10, 10, "OVCL_EDIT"), a.Key());
  EXPECT_EQ(a.GetTag(), "OVCL_LABEL");
  EXPECT_EQ(b.GetTag(), "OVCL_BUTTON");
  EXPECT_EQ(c.GetTag(), "OVCL_EDIT");
  // A key already in the table is refused rather than shadowing the first record.
  ElementRegistry table;
  auto record = [](int32_t key) {
    auto r = std::make_unique<ElementRecord>();
    r->key = key;
    return r;
  };
  EXPECT_NE(table.Add(record(500)), nullptr);
  EXPECT_NE(table.Add(record(300)), nullptr);
  EXPECT_EQ(table.Add(record(300)), nullptr);
  EXPECT_EQ(table.Add(record(0)), nullptr);
  EXPECT_EQ(table.FindElement(300), 1);
  EXPECT_EQ(table.FindElement(500), 2);
}

TEST(ElementRegistry, UnknownKeysReadAsMissingAndChangeNothing) {
  UiWindow w;
  w.Register(0, 0, 10, 10, "OVCL_LABEL");
  const int32_t missing = w.Key() + 100000;
  EXPECT_EQ(w.GetAlpha(missing), -1);
  EXPECT_EQ(w.GetLeft(missing), -1);
  EXPECT_EQ(w.GetVisible(missing), 0);
  EXPECT_EQ(w.GetFocused(missing), 0);
  EXPECT_EQ(w.TopLevelKey(missing), -1);
  w.SetAlpha(3, missing);
  EXPECT_EQ(w.GetAlpha(), 255);
  UiWindow unregistered;
  EXPECT_EQ(unregistered.GetAlpha(), -1);
}

TEST(ElementRegistry, SettersCompareBeforeWriting) {
  UiWindow w;
  const int32_t k = w.Register(0, 0, 10, 10, "OVCL_LABEL");
  ClearFlags(k);
  w.SetAlpha(255);
  EXPECT_EQ(RecordOf(k).needsCompose, 0);
  EXPECT_EQ(RecordOf(k).changed, 0);
  w.SetAlpha(128);
  EXPECT_EQ(RecordOf(k).needsCompose, 1);
  EXPECT_EQ(RecordOf(k).changed, 1);
  EXPECT_EQ(w.GetAlpha(), 128);
  // Tip text and time raise no flags; a negative time is not stored.
  ClearFlags(k);
  w.SetTipText("tip", 800);
  EXPECT_EQ(w.GetTipTime(), 800);
  w.SetTipTime(-1);
  EXPECT_EQ(w.GetTipTime(), 800);
  w.SetTipText("again", -1);
  EXPECT_EQ(w.GetTipText(), "again");
  EXPECT_EQ(w.GetTipTime(), 800);
  EXPECT_EQ(RecordOf(k).needsCompose, 0);
}

TEST(ElementRegistry, ParentsChildrenAndZOrder) {
  UiWindow parent;
  UiWindow a;
  UiWindow b;
  UiWindow c;
  const int32_t p = parent.Register(0, 0, 100, 100, "OVCl_WINDOW");
  const int32_t ka = a.Register(0, 0, 10, 10, "OVCL_LABEL");
  const int32_t kb = b.Register(0, 0, 10, 10, "OVCL_LABEL");
  const int32_t kc = c.Register(0, 0, 10, 10, "OVCL_LABEL");
  EXPECT_EQ(parent.SetParent(p), 0);
  EXPECT_EQ(parent.SetParent(ka), 1);
  EXPECT_EQ(parent.SetParent(kb), 1);
  EXPECT_EQ(parent.SetParent(kc), 1);
  // Adopting a child again keeps its place.
  EXPECT_EQ(parent.SetParent(ka), 1);
  EXPECT_EQ(parent.GetChildren(), (std::vector<int32_t>{ka, kb, kc}));
  EXPECT_EQ(parent.GetZOrder(ka), 1);
  EXPECT_EQ(parent.TopLevelKey(kc), p);
  parent.SetZOrder(ka, 3);
  EXPECT_EQ(parent.GetChildren(), (std::vector<int32_t>{kb, kc, ka}));
  parent.SetZOrder(ka, 1);
  EXPECT_EQ(parent.GetChildren(), (std::vector<int32_t>{ka, kb, kc}));
  // Moving under another parent leaves the old one.
  UiWindow other;
  const int32_t o = other.Register(0, 0, 50, 50, "OVCl_WINDOW");
  EXPECT_EQ(other.SetParent(kb, o), 1);
  EXPECT_EQ(parent.GetChildren(), (std::vector<int32_t>{ka, kc}));
  EXPECT_EQ(b.GetParentKey(), o);
  EXPECT_EQ(parent.RemoveChild(kb), 0);
  EXPECT_EQ(parent.RemoveChild(ka), 1);
  EXPECT_EQ(parent.GetChildren(), (std::vector<int32_t>{kc}));
  EXPECT_EQ(parent.GetZOrder(ka), -1);
  // A destroyed child leaves its parent's list.
  {
    UiWindow d;
    parent.SetParent(d.Register(0, 0, 1, 1, "OVCL_LABEL"));
  }
  EXPECT_EQ(parent.GetChildren(), (std::vector<int32_t>{kc}));
}

TEST(ElementTimers, StoppingTheMiddleTimerKeepsTheOthersInOrder) {
  ws::ScopedHeadless headless;
  struct Counting : UiWindow {
    std::vector<int32_t> fired;
    void OnTimer(int32_t id, uint32_t) override { fired.push_back(id); }
  } w;
  w.Register(0, 0, 1, 1, "OVCL_LABEL");
  const int32_t t1 = w.StartTimer(10);
  const int32_t t2 = w.StartTimer(10);
  const int32_t t3 = w.StartTimer(10);
  w.StopTimer(t2);
  EXPECT_EQ(w.TimerIds(), (std::vector<int32_t>{t1, t3}));
  w.StopTimer(t2 + 1000);
  EXPECT_EQ(w.TimerIds(), (std::vector<int32_t>{t1, t3}));
  headless->Advance(10);
  EXPECT_EQ(w.fired.size(), 2u);
  // Unregistering kills the rest: no more ticks.
  w.Unregister();
  EXPECT_TRUE(w.TimerIds().empty());
  w.fired.clear();
  headless->Advance(50);
  EXPECT_TRUE(w.fired.empty());
}

}  // namespace
}  // namespace quillmar
