#include "ui/core/control.h"

#include "platform/ws/messages.h"
#include "ui/core/element_record.h"

namespace quillmar {

int32_t UiControl::CreateElement(UiWindow* parent, bool adopt, int32_t x, int32_t y, int32_t width, int32_t height,
                                 std::string_view tag) {
  const int32_t key = Register(x, y, width, height, tag);
  if (adopt && parent != nullptr) parent->SetParent(key, parent->Key());
  return key;
}

void UiControl::Place(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
                      std::optional<int32_t> height, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec) return;
  const int32_t k = rec->key;
  const auto [nx, ny, nw, nh] = rec->Resolve(x, y, width, height);
  if (nw != rec->width || nh != rec->height) {
    SetGeometry(nx, ny, nw, nh, k);
    RecreateCanvas(k);
    InvalidateRect(k);
    SendEvent(k, Event::Resized, static_cast<WParam>(nw), static_cast<LParam>(nh));
  }
  rec = Rec(k);
  if (!rec || (nx == rec->left && ny == rec->top && nw == rec->width && nh == rec->height)) return;
  SetGeometry(nx, ny, nw, nh, k);
  rec->MarkChanged();
  SendEvent(k, Event::Moved, static_cast<WParam>(nx), static_cast<LParam>(ny));
}

void UiControl::SetVisible(int32_t value, OptKey key) {
  ElementRecord* rec = Rec(key);
  if (!rec || rec->visible == value) return;
  rec->visible = value;
  rec->MarkChanged();
}

int32_t UiControl::MessageHook(Hwnd hwnd, int32_t, uint32_t msg, WParam, LParam) {
  if (hwnd != 0 && (msg == Msg::LButtonDown || msg == Msg::LButtonDblClk)) CaptureSelf();
  return 1;
}

}  // namespace quillmar
