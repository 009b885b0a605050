#include "ui/core/paint_scheduler.h"

#include <algorithm>
#include <vector>

#include "ui/core/element_record.h"
#include "ui/core/element_registry.h"
#include "ui/core/frame.h"
#include "ui/core/frame_clock.h"
#include "ui/core/window.h"

namespace quillmar {
namespace {

std::vector<UiFrame*>& Frames() {
  static std::vector<UiFrame*> frames;  // UI thread only
  return frames;
}

// The frame of the bound window holding the element, or null.
UiFrame* FrameHolding(int32_t key) {
  const ElementRecord* rec = Registry().Find(key);
  for (int32_t guard = Registry().Count(); rec && rec->parentKey != 0 && guard > 0; --guard) {
    const ElementRecord* parent = Registry().Find(rec->parentKey);
    if (!parent) break;
    rec = parent;
  }
  return (rec && rec->owner) ? rec->owner->Frame() : nullptr;
}

}  // namespace

void PaintScheduler::Request() {
  for (UiFrame* frame : Frames()) frame->Clock().Request();
}

void PaintScheduler::Request(int32_t key) {
  if (UiFrame* frame = FrameHolding(key)) frame->Clock().Request();
  // A bound window placed inside another hears it too: its next frame lets
  // go of its own system window.
  const ElementRecord* rec = Registry().Find(key);
  if (rec && rec->parentKey != 0 && rec->owner && rec->owner->Frame()) rec->owner->Frame()->Clock().Request();
}

void PaintScheduler::Animate(int32_t key) {
  if (UiFrame* frame = FrameHolding(key)) frame->Clock().Animate(key);
}

void PaintScheduler::Add(UiFrame* frame) {
  std::vector<UiFrame*>& frames = Frames();
  if (std::find(frames.begin(), frames.end(), frame) == frames.end()) frames.push_back(frame);
}

void PaintScheduler::Remove(UiFrame* frame) {
  std::vector<UiFrame*>& frames = Frames();
  frames.erase(std::remove(frames.begin(), frames.end(), frame), frames.end());
}

bool PaintScheduler::Pending() {
  const std::vector<UiFrame*>& frames = Frames();
  return std::any_of(frames.begin(), frames.end(), [](UiFrame* f) { return f->Clock().Waiting(); });
}

}  // namespace quillmar
