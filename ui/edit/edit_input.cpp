// Keys, input method, clipboard, mouse, scroll bars and the context menu of UiEdit.
#include <algorithm>
#include <new>

#include "base/text_encoding.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/controls/menu.h"
#include "ui/core/element_record.h"
#include "ui/edit/edit.h"

namespace quillmar {
namespace {

constexpr double kLinesPerNotch = 1.25;

bool CtrlDown() {
  const ws::WindowSystem& sys = ws::System();
  return sys.IsKeyDown(Vk::LControl) || sys.IsKeyDown(Vk::RControl);
}

}  // namespace

int32_t UiEdit::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  if (key == Key()) {
    switch (msg) {
      case Msg::SetCursor:
        if (cursorSet_) return 0;  // the I-beam stays
        break;
      case Msg::Char:
      case Msg::ImeComposition:
        // Characters need their flags (1 marks one the input method already gave).
        if (!browseOnly_) HandleKey(msg, wParam, lParam);
        AnnounceChanges();
        return 1;
      case Event::Resized:
        PlaceScrollBars();
        Layout();
        break;
      default:
        break;
    }
    if (msg >= Msg::MouseMove && msg <= Msg::RButtonDblClk && !browseOnly_) {
      cursorSet_ = wrap_ != EditWrap::SingleLine || IsOverTextLine();
      if (cursorSet_) ws::System().SetCursor(ws::System().LoadSystemCursor(ws::SystemCursor::IBeam));
    }
  }
  const int32_t result = UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
  if (key == Key()) AnnounceChanges();
  return result;
}

Handled UiEdit::OnKeyDown(const KeyEvent& e) {
  if (!browseOnly_) {
    HandleKey(Msg::KeyDown, static_cast<WParam>(e.virtualKey), e.flags);
    return Handled::Continue;
  }
  // Browsing: the arrows scroll the view.
  const double step = layout_.LineHeight() * kLinesPerNotch;
  if (e.virtualKey == Vk::Down || e.virtualKey == Vk::Up) WheelBy(true, e.virtualKey == Vk::Down ? step : -step);
  if (e.virtualKey == Vk::Right || e.virtualKey == Vk::Left) WheelBy(false, e.virtualKey == Vk::Right ? step : -step);
  return Handled::Continue;
}

Handled UiEdit::OnMouseEnter() {
  if (!hot_) {
    hot_ = true;
    redrawText_ = true;
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiEdit::OnMouseLeave() {
  if (hot_ && !focused_ && !vBar_.hovered && !hBar_.hovered) {
    hot_ = false;
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiEdit::OnFocusGained() {
  if (!browseOnly_) caretShown_ = true;
  focused_ = true;
  hot_ = true;
  InvalidateRect();
  return Handled::Continue;
}

Handled UiEdit::OnFocusLost() {
  focused_ = false;
  selecting_ = false;
  if (hot_) {
    hot_ = false;
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiEdit::OnMouseWheel(const MouseEvent& e) {
  const double step = layout_.LineHeight() * kLinesPerNotch;
  if (!e.horizontal && e.wheelDelta != 0) WheelBy(true, e.wheelDelta < 0 ? step : -step);
  return Handled::Continue;
}

Handled UiEdit::OnMouseDown(const MouseEvent& e) {
  if (browseOnly_) return Handled::Continue;
  if (e.button == MouseButton::Left && (wrap_ != EditWrap::SingleLine || IsOverTextLine())) {
    PlaceCaret(e.position, false);
    selecting_ = true;
  } else if (e.button == MouseButton::Right && contextMenuEnabled_ && !passwordMode_ && !mouseLocked_) {
    menu_.Popup(model_.HasSelection(), model_.ReadOnly());
  }
  return Handled::Continue;
}

Handled UiEdit::OnMouseUp(const MouseEvent& e) {
  if (e.button == MouseButton::Left) selecting_ = false;
  return Handled::Continue;
}

Handled UiEdit::OnMouseMove(const MouseEvent& e) {
  if (mouseLocked_ || browseOnly_) return Handled::Continue;
  if (selecting_ && GetPressed() != 0) DragSelectTo(e.position);
  return Handled::Continue;
}

void UiEdit::HandleKey(uint32_t msg, WParam key, LParam extra) {
  if (!focused_ || layoutBusy_) return;
  const bool ctrl = CtrlDown();
  if (msg == Msg::KeyDown && ctrl) {
    switch (key) {
      case 'X':
        Cut();
        break;
      case 'C':
        Copy();
        break;
      case 'V':
        Paste();
        break;
      case 'A':
        SelectAll();
        break;
      default:
        break;
    }
  } else if (msg == Msg::KeyDown) {
    switch (key) {
      case Vk::Delete:
        DeleteForward();
        break;
      case Vk::Back:
        Backspace();
        break;
      case Vk::Return:
        InsertLineBreak();
        break;
      case Vk::Left:
      case Vk::Up:
      case Vk::Right:
      case Vk::Down:
        MoveCaret(static_cast<int32_t>(key));
        break;
      default:
        break;
    }
  } else if (msg == Msg::Char && !ctrl) {
    // lParam 1 marks a character the input method already delivered as its result.
    if (key >= 27 && key <= 126 && extra != 1) TypeChar(static_cast<char16_t>(key));
  } else if (msg == Msg::ImeComposition) {
    const Hwnd hwnd = WindowOf(Key());
    // The candidate window follows the caret.
    const Point at = PointToWindow(caretPoint_);
    if (hwnd != 0) ws::System().SetImePosition(hwnd, at);
    if ((static_cast<uint64_t>(extra) & Ime::ResultStr) != 0 && hwnd != 0) {
      CommitComposition(ws::System().ImeResult(hwnd));
    }
  }
}

void UiEdit::MoveCaret(int32_t key) {
  if (!focused_ || browseOnly_) return;
  if (key == Vk::Left || key == Vk::Right) {
    if (key == Vk::Left ? model_.MoveLeft() : model_.MoveRight()) {
      KeepCaretInView();
      InvalidateRect();
    }
  } else {
    const Point at = layout_.PointFromPosition(model_.Caret());
    if (at != EditLayout::kNoPoint) {
      const int32_t lh = layout_.LineHeight();
      PlaceCaretAt(at.x, key == Vk::Up ? at.y - lh : at.y + lh);
    }
  }
  caretShown_ = true;
}

void UiEdit::KeepCaretInView() {
  Point at = layout_.PointFromPosition(model_.Caret());
  if (at == EditLayout::kNoPoint) {
    Layout();  // the caret's line has no boxes: the layout brings it into view
    return;
  }
  // Back to the point at zero scroll that the layout's rule takes.
  const RectF& tr = layout_.TextRect();
  if (at.x != static_cast<int32_t>(tr.x)) at.x -= metrics_.glyphLead / 2;
  at.x -= layout_.scrollX;
  at.y = layout_.MultiLine() ? at.y - layout_.scrollY - metrics_.lineGapAbove : 0;
  const int32_t oldX = layout_.scrollX;
  const int32_t oldY = layout_.scrollY;
  layout_.ScrollCaretIntoView(at);
  if (layout_.scrollX == oldX && layout_.scrollY == oldY) return;
  SetBarPositions();
  layout_.BuildBoxes(model_.Text());
  redrawText_ = true;
}

void UiEdit::TypeChar(char16_t code) {
  if (Editable() && model_.TypeChar(code)) AfterTextChange();
}

void UiEdit::InsertLineBreak() {
  if (model_.ReadOnly() || !Editable()) return;
  if (wrap_ == EditWrap::SingleLine) {
    ws::System().Beep(BeepKind::Simple);
    return;
  }
  if (model_.InsertAtCaret(u"\r\n")) AfterTextChange();
}

void UiEdit::CommitComposition(std::u16string_view text) {
  // A read-only box stays read-only for the input method too.
  if (model_.ReadOnly() || !Editable()) return;
  if (model_.InsertAtCaret(ForOneLine(text))) AfterTextChange();
}

void UiEdit::Paste() {
  if (model_.ReadOnly() || !Editable()) return;
  std::u16string text;
  try {
    text = ForOneLine(ws::System().ClipboardText().value_or(std::u16string()));
  } catch (const std::bad_alloc&) {
    return;  // more than memory allows: nothing is pasted and nothing is lost
  }
  if (text.empty()) {
    DeleteSelection();
    return;
  }
  if (model_.InsertAtCaret(text)) AfterTextChange();
}

void UiEdit::Copy() {
  if (passwordMode_) {
    ws::System().Beep(BeepKind::Simple);
    return;
  }
  if (!model_.HasSelection()) return;
  const std::u16string units = model_.SelectedText();
  ws::System().SetClipboardText(units, WideToGbk(units));
}

void UiEdit::Cut() {
  if (model_.ReadOnly()) return;
  if (passwordMode_) {
    ws::System().Beep(BeepKind::Simple);
    return;
  }
  Copy();
  DeleteSelection();
}

void UiEdit::OnMenuChosen(int32_t index) {
  switch (index) {
    case EditContextMenu::kCut:
      Cut();
      break;
    case EditContextMenu::kCopy:
      Copy();
      break;
    case EditContextMenu::kPaste:
      Paste();
      break;
    case EditContextMenu::kDelete:
      DeleteForward();
      break;
    case EditContextMenu::kSelectAll:
      SelectAll();
      break;
    default:
      break;
  }
}

bool UiEdit::IsOverTextLine() {
  const Point m = MousePosition();
  const RectF& tr = layout_.TextRect();
  const double top = layout_.LineTop();
  const double lh = layout_.LineHeight();
  const auto atLeast = [](double a, double b) { return a > b || NearlyEqual(a, b); };
  const auto below = [](double a, double b) { return a < b && !NearlyEqual(a, b); };
  return atLeast(m.x, tr.x) && below(m.x, tr.x + tr.width) && atLeast(m.y, top) && below(m.y, top + lh);
}

void UiEdit::PlaceCaretAt(std::optional<int32_t> x, std::optional<int32_t> y) {
  if (!x && !y) {
    const Point m = MousePosition();
    PlaceCaret(m, false);
    return;
  }
  PlaceCaret({x.value_or(caretPoint_.x), y.value_or(caretPoint_.y)}, true);
}

void UiEdit::PlaceCaret(Point at, bool byKeys) {
  if (byKeys) {
    // Keys step from where the view is now, not from where the mouse last left it.
    pressScrollX_ = layout_.scrollX;
    pressScrollY_ = layout_.scrollY;
  }
  float px = static_cast<float>(at.x);
  float py = static_cast<float>(at.y);
  if (layout_.MultiLine()) {
    const RectF& tr = layout_.TextRect();
    const int32_t lh = layout_.LineHeight();
    const int32_t ch = layout_.ContentHeight();
    const float visible = std::min(static_cast<float>(ch), tr.height);
    bool scrolled = false;
    if (py < tr.y) {
      layout_.scrollY = std::min(pressScrollY_ + static_cast<int32_t>(tr.y) + lh, 0);
      py = tr.y + static_cast<float>(inset_ + metrics_.lineGapAbove);
      scrolled = true;
    } else if (py >= tr.y + visible) {
      layout_.scrollY =
          std::max(pressScrollY_ + static_cast<int32_t>(tr.y) - lh, -(ch - static_cast<int32_t>(visible)));
      py = tr.y + visible - static_cast<float>(inset_ + metrics_.lineGapBelow);
      scrolled = true;
    }
    if (scrolled) {
      redrawText_ = true;
      SetBarPositions();  // the bar control too, not only its model
      layout_.BuildBoxes(model_.Text());
    }
  }
  const int32_t pos = layout_.PositionFromPoint(px, py, &caretPoint_);
  model_.PlaceCaret(pos, pos);
  pressScrollX_ = layout_.scrollX;
  pressScrollY_ = layout_.scrollY;
  caretShown_ = true;
  InvalidateRect();
}

void UiEdit::DragSelect() {
  const Point m = MousePosition();
  DragSelectTo(m);
}

void UiEdit::DragSelectTo(Point at) {
  float mx = static_cast<float>(at.x);
  float my = static_cast<float>(at.y);
  const RectF& tr = layout_.TextRect();
  const int32_t cw = layout_.ContentWidth();
  const int32_t ch = layout_.ContentHeight();
  const float visibleW = std::min(static_cast<float>(cw), tr.width);
  const float visibleH = std::min(static_cast<float>(ch), tr.height);
  const float inset = static_cast<float>(inset_);
  const int32_t oldX = layout_.scrollX;
  const int32_t oldY = layout_.scrollY;
  if (!layout_.MultiLine()) my = layout_.LineTop() + static_cast<float>(layout_.LineHeight()) / 2;
  if (mx < tr.x) {
    layout_.scrollX = std::min(pressScrollX_ + static_cast<int32_t>(tr.x - mx), 0);
    mx = tr.x + inset;
  } else if (mx >= tr.x + visibleW) {
    layout_.scrollX =
        std::max(pressScrollX_ - static_cast<int32_t>(mx - tr.x - visibleW), -(cw - static_cast<int32_t>(visibleW)));
    mx = tr.x + visibleW - inset;
  }
  if (layout_.MultiLine()) {
    if (my < tr.y) {
      layout_.scrollY = std::min(pressScrollY_ + static_cast<int32_t>(tr.y - my), 0);
      my = tr.y + inset;
    } else if (my >= tr.y + visibleH) {
      layout_.scrollY =
          std::max(pressScrollY_ - static_cast<int32_t>(my - tr.y - visibleH), -(ch - static_cast<int32_t>(visibleH)));
      my = tr.y + visibleH - inset;
    }
  }
  if (layout_.scrollX != oldX || layout_.scrollY != oldY) {
    redrawText_ = true;
    layout_.BuildBoxes(model_.Text());
  }
  SetBarPositions();
  const int32_t pos = layout_.PositionFromPoint(mx, my, &caretPoint_);
  model_.PlaceCaret(pos, model_.Anchor());
  caretShown_ = true;
  InvalidateRect();
}

void UiEdit::WheelBy(bool vertical, double delta) {
  EditBar& bar = vertical ? vBar_ : hBar_;
  if (!bar.exists) return;
  if (!bar.SetPosition(static_cast<int32_t>(bar.position + delta))) return;
  SyncBarControls();
  OnBarScrolled(vertical, bar.position);
}

Handled UiEdit::OnChildEvent(int32_t childKey, uint32_t msg, WParam wParam, LParam) {
  if (menuControl_ && childKey == menuControl_->Key()) {
    if (msg == Event::MenuItemChosen) OnMenuChosen(static_cast<int32_t>(wParam));
    return Handled::Continue;
  }
  const bool vertical = vScroll_ && childKey == vScroll_->Key();
  const bool horizontal = hScroll_ && childKey == hScroll_->Key();
  if (!vertical && !horizontal) return Handled::Continue;
  EditBar& bar = vertical ? vBar_ : hBar_;
  switch (msg) {
    case Event::ScrollChanged:
      if (!syncingBars_) {
        bar.position = static_cast<int32_t>(wParam);
        OnBarScrolled(vertical, bar.position);
      }
      break;
    case Msg::MouseWheel:
      if (const int32_t d = SignedHighWord(wParam); d != 0) {
        const double step = layout_.LineHeight() * kLinesPerNotch;
        WheelBy(true, d < 0 ? step : -step);
      }
      break;
    case Event::MouseEnter:
      bar.hovered = true;
      if (GetHovered() == 0 && !hot_) {
        hot_ = true;
        InvalidateRect();
      }
      break;
    case Event::MouseLeave:
      bar.hovered = false;
      if (!focused_ && GetHovered() == 0 && hot_) {
        hot_ = false;
        InvalidateRect();
      }
      break;
    default:
      break;
  }
  return Handled::Continue;
}

void UiEdit::OnBarScrolled(bool vertical, int32_t position) {
  (vertical ? layout_.scrollY : layout_.scrollX) = -position;
  redrawText_ = true;
  layout_.BuildBoxes(model_.Text());
  InvalidateRect();
}

}  // namespace quillmar
