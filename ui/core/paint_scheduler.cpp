#include "ui/core/paint_scheduler.h"

#include <algorithm>
#include <vector>

#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/frame.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

struct SchedulerState {
  std::vector<UiFrame*> frames;
  bool posted = false;      // a pass is queued on the UI thread
  uint32_t frameTimer = 0;  // a pass is due one frame from now
  bool inPass = false;
  bool raisedInPass = false;
};

SchedulerState& State() {
  static SchedulerState state;
  return state;
}

// Whether anything in the element's tree still waits to be painted.
bool TreePending(int32_t key, int32_t depth) {
  const ElementRecord* rec = Registry().Find(key);
  if (!rec || depth > Registry().Count()) return false;
  if (rec->needsCompose != 0 || rec->needsRepaint != 0) return true;
  return std::any_of(rec->children.begin(), rec->children.end(),
                     [depth](int32_t child) { return TreePending(child, depth + 1); });
}

void StopFrameTimer() {
  SchedulerState& s = State();
  if (s.frameTimer == 0) return;
  if (ws::WindowSystem* sys = ws::SystemOrNull()) sys->KillWindowTimer(0, s.frameTimer);
  s.frameTimer = 0;
}

}  // namespace

void PaintScheduler::Request() {
  SchedulerState& s = State();
  if (s.inPass) {
    s.raisedInPass = true;
    return;
  }
  // Nothing is bound, so nothing could be painted: flags wait for a binding.
  if (s.posted || s.frames.empty()) return;
  ws::WindowSystem* sys = ws::SystemOrNull();
  if (!sys) return;
  s.posted = true;
  sys->PostTask([] {
    if (!State().posted) return;  // every frame went away meanwhile
    RunPass();
  });
}

void PaintScheduler::RunPass() {
  SchedulerState& s = State();
  s.posted = false;
  StopFrameTimer();
  s.inPass = true;
  s.raisedInPass = false;
  // Keys, not frames: a pass may close a window and destroy its frame.
  std::vector<int32_t> keys;
  for (UiFrame* frame : s.frames) keys.push_back(frame->Window().Key());
  for (int32_t key : keys) {
    const ElementRecord* rec = Registry().Find(key);
    if (!rec || !rec->owner) continue;
    UiWindow* window = rec->owner;
    const auto framed =
        std::find_if(s.frames.begin(), s.frames.end(), [window](UiFrame* f) { return &f->Window() == window; });
    if (framed != s.frames.end()) window->IdleEntry();
  }
  s.inPass = false;
  if (!s.raisedInPass) return;
  s.raisedInPass = false;
  bool pending = false;
  for (UiFrame* frame : s.frames) pending = pending || TreePending(frame->Window().Key(), 0);
  ws::WindowSystem* sys = ws::SystemOrNull();
  if (!pending || !sys || s.frameTimer != 0) return;
  s.frameTimer = sys->SetWindowTimer(0, 0, kFrameMs, [](uint32_t) {
    StopFrameTimer();
    Request();
  });
}

void PaintScheduler::Add(UiFrame* frame) {
  SchedulerState& s = State();
  if (std::find(s.frames.begin(), s.frames.end(), frame) == s.frames.end()) s.frames.push_back(frame);
}

void PaintScheduler::Remove(UiFrame* frame) {
  SchedulerState& s = State();
  s.frames.erase(std::remove(s.frames.begin(), s.frames.end(), frame), s.frames.end());
  if (!s.frames.empty()) return;
  // The last window went: a queued pass or frame has nothing left to serve.
  s.posted = false;
  StopFrameTimer();
}

bool PaintScheduler::Pending() { return State().posted || State().frameTimer != 0; }

}  // namespace quillmar
