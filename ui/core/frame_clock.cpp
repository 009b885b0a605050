#include "ui/core/frame_clock.h"

#include <algorithm>

#include "platform/ws/window_system.h"
#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/element_surfaces.h"
#include "ui/core/frame.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

// Whether anything in the element's tree still waits to be painted.
bool TreePending(int32_t key, int32_t depth) {
  const ElementRecord* rec = Registry().Find(key);
  if (!rec || depth > Registry().Count()) return false;
  if (rec->needsCompose != 0 || rec->needsRepaint != 0) return true;
  return std::any_of(rec->children.begin(), rec->children.end(),
                     [depth](int32_t child) { return TreePending(child, depth + 1); });
}

// The clock of the bound window whose element has this key, or null.
FrameClock* ClockOf(int32_t windowKey) {
  const ElementRecord* rec = Registry().Find(windowKey);
  UiFrame* frame = (rec && rec->owner) ? rec->owner->Frame() : nullptr;
  return frame ? &frame->Clock() : nullptr;
}

int32_t TopKey(int32_t key) {
  const ElementRecord* rec = Registry().Find(key);
  for (int32_t guard = Registry().Count(); rec && rec->parentKey != 0 && guard > 0; --guard) {
    const ElementRecord* parent = Registry().Find(rec->parentKey);
    if (!parent) break;
    rec = parent;
  }
  return rec ? rec->key : 0;
}

}  // namespace

void FrameClock::Request() {
  if (stopped_) return;
  if (inPass_) {
    raisedInPass_ = true;
    return;
  }
  if (requested_) return;
  const Hwnd hwnd = window_.WindowHandle();
  ws::WindowSystem* sys = ws::SystemOrNull();
  if (hwnd == 0 || !sys) return;
  // The frame finds the clock again by the window's key: by then the window
  // may be gone, or bound anew.
  const int32_t key = window_.Key();
  requested_ = sys->RequestFrame(hwnd, [key](int64_t nowMs) {
    if (FrameClock* clock = ClockOf(key)) clock->OnFrame(nowMs);
  });
}

void FrameClock::Animate(int32_t key) {
  if (std::find(animating_.begin(), animating_.end(), key) == animating_.end()) animating_.push_back(key);
  Request();
}

void FrameClock::RequestForEffect() {
  effectWanted_ = true;
  if (!inPass_) Request();
}

void FrameClock::Stop() {
  stopped_ = true;
  requested_ = false;
  animating_.clear();
}

void FrameClock::OnFrame(int64_t nowMs) {
  if (!requested_ || stopped_) return;
  requested_ = false;
  ++served_;
  const int32_t key = window_.Key();
  inPass_ = true;
  raisedInPass_ = false;
  // The effects show the window themselves while they run; then the fades
  // move on and one pass paints what changed.
  if (std::exchange(effectWanted_, false)) {
    if (UiFrame* frame = window_.Frame()) frame->AdvanceEffects(nowMs);
    if (ClockOf(key) != this) return;
  }
  const bool animating = AdvanceTransitions(nowMs);
  window_.IdleEntry();
  // The pass may have ended the window and this clock with it.
  FrameClock* self = ClockOf(key);
  if (self != this) return;
  inPass_ = false;
  if (animating || effectWanted_ || (raisedInPass_ && TreePending(key, 0))) Request();
  raisedInPass_ = false;
}

bool FrameClock::AdvanceTransitions(int64_t nowMs) {
  const int32_t windowKey = window_.Key();
  const std::vector<int32_t> keys = std::exchange(animating_, {});
  for (int32_t key : keys) {
    ElementRecord* rec = Registry().Find(key);
    if (!rec || rec->surfaces->extra.currentLayer == 0) continue;
    if (TopKey(key) != windowKey) {
      // The element went to another window, whose frames carry it on.
      if (FrameClock* other = ClockOf(TopKey(key))) other->Animate(key);
      continue;
    }
    ExtraLayers& extra = rec->surfaces->extra;
    // Where the fade stands follows the time since it started, counting the
    // first frame as one step, so every frame the display shows moves it on
    // and it lasts as long at any frame rate.
    const int64_t elapsed = std::max<int64_t>(0, nowMs - extra.startMs);
    const int64_t interval = std::max(extra.intervalMs, 1);
    const int64_t progress = static_cast<int64_t>(extra.step) * (elapsed + interval) / interval;
    extra.progress = static_cast<int32_t>(std::clamp<int64_t>(progress, extra.progress, 255));
    if (extra.progress >= 255) {
      // Done: the element shows its own picture again. Where a control drew a
      // layer of its own over the fade, its canvas held only what faded, so it
      // paints its whole picture again.
      const bool drawnApart = extra.layers.size() >= 3;
      extra = ExtraLayers{};
      if (drawnApart) window_.InvalidateRect(key);
    } else {
      animating_.push_back(key);
    }
    rec->MarkChanged();
  }
  return !animating_.empty();
}

}  // namespace quillmar
