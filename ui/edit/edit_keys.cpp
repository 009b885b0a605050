// The keyboard of UiEdit: the key table, caret movement by cluster, word, line
// and page, and undo.
#include <algorithm>

#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/edit/edit.h"

namespace quillmar {
namespace {

bool Down(int left, int right) {
  const ws::WindowSystem& sys = ws::System();
  return sys.IsKeyDown(left) || sys.IsKeyDown(right);
}
bool CtrlDown() { return Down(Vk::LControl, Vk::RControl); }
bool ShiftDown() { return Down(Vk::LShift, Vk::RShift); }

bool IsMoveKey(WParam key) {
  switch (key) {
    case Vk::Left:
    case Vk::Right:
    case Vk::Up:
    case Vk::Down:
    case Vk::Home:
    case Vk::End:
    case Vk::Prior:
    case Vk::Next:
      return true;
    default:
      return false;
  }
}

}  // namespace

void UiEdit::HandleKey(uint32_t msg, WParam key, LParam extra) {
  if (!focused_ || layoutBusy_) return;
  lastInputMs_ = ws::System().NowMs();
  const bool ctrl = CtrlDown();
  const bool shift = ShiftDown();
  if (msg == Msg::KeyDown && !preedit_.empty()) {
    // Keys that reach the box while a composition shows end it first; Escape only ends it.
    DropPreedit(true);
    if (key == Vk::Escape) return;
  }
  if (msg == Msg::KeyDown && ctrl) {
    switch (key) {
      case 'X':
        Cut();
        break;
      case 'C':
      case Vk::Insert:
        Copy();
        break;
      case 'V':
        Paste();
        break;
      case 'A':
        SelectAll();
        break;
      case 'Z':
        shift ? Redo() : Undo();
        break;
      case 'Y':
        Redo();
        break;
      case Vk::Back:
        if (Editable() && model_.DeleteWordBack()) AfterTextChange();
        break;
      case Vk::Delete:
        if (Editable() && model_.DeleteWordForward()) AfterTextChange();
        break;
      default:
        if (IsMoveKey(key)) MoveCaret(static_cast<int32_t>(key), shift, true);
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
      default:
        if (IsMoveKey(key)) MoveCaret(static_cast<int32_t>(key), shift, false);
        break;
    }
  } else if (msg == Msg::Char && !ctrl) {
    // lParam 1 marks a character the input method already delivered as its result.
    if (key >= 27 && key <= 126 && extra != 1) TypeChar(static_cast<char16_t>(key));
  } else if (msg == Msg::ImeComposition) {
    const Hwnd hwnd = WindowOf(Key());
    if (hwnd == 0) return;
    const uint64_t flags = static_cast<uint64_t>(extra);
    if ((flags & Ime::ResultStr) != 0) {
      DropPreedit(false);
      CommitComposition(ws::System().ImeResult(hwnd));
    } else if ((flags & Ime::CompStr) != 0) {
      ws::ImePreedit p = ws::System().ImeComposition(hwnd);
      SetPreedit(std::move(p.text), p.cursor);
    }
    UpdateImeCursor();
  }
}

void UiEdit::MoveCaret(int32_t key) { MoveCaret(key, false, false); }

void UiEdit::MoveCaret(int32_t key, bool extend, bool byWord) {
  if (!focused_ || browseOnly_) return;
  const int32_t length = model_.Length();
  const bool multi = layout_.MultiLine();
  const std::u16string& text = model_.Text();
  bool keepGoal = false;
  switch (key) {
    case Vk::Left:
      byWord ? model_.MoveWordLeft(extend) : model_.MoveLeft(extend);
      break;
    case Vk::Right:
      byWord ? model_.MoveWordRight(extend) : model_.MoveRight(extend);
      break;
    case Vk::Home:
    case Vk::End: {
      const bool home = key == Vk::Home;
      int32_t to = home ? 0 : length;
      if (!byWord && multi) {
        const int32_t line = layout_.LineOf(model_.Caret());
        to = home ? layout_.LineStart(text, line) : layout_.LineEnd(text, line);
      }
      model_.MoveTo(to, extend);
      break;
    }
    case Vk::Up:
    case Vk::Down:
    case Vk::Prior:
    case Vk::Next: {
      const bool up = key == Vk::Up || key == Vk::Prior;
      if (!multi) {
        // One line: up goes to its start, down to its end.
        model_.MoveTo(up ? 0 : length, extend);
        break;
      }
      int32_t lines = 1;
      if (key == Vk::Prior || key == Vk::Next) {
        const int32_t lh = std::max(layout_.LineHeight(), 1);
        lines = std::max(static_cast<int32_t>(layout_.TextRect().height) / lh - 1, 1);
      }
      MoveLines(up ? -lines : lines, extend);
      keepGoal = true;
      break;
    }
    default:
      return;
  }
  CaretMovedByUser(keepGoal);
}

void UiEdit::MoveLines(int32_t lines, bool extend) {
  const std::u16string& text = model_.Text();
  const int32_t caret = model_.Caret();
  const int32_t line = layout_.LineOf(caret);
  if (!goalX_) goalX_ = layout_.XInLine(text, caret);
  const int32_t count = static_cast<int32_t>(layout_.LineCounts().size());
  const int32_t target = std::clamp(line + lines, 0, std::max(count - 1, 0));
  if (target == line) {
    // Past the first or last line: to the start or the end, as text views do.
    model_.MoveTo(lines < 0 ? 0 : model_.Length(), extend);
    return;
  }
  model_.MoveTo(layout_.PositionInLine(text, target, *goalX_), extend);
}

void UiEdit::CaretMovedByUser(bool keepGoal) {
  if (!keepGoal) goalX_.reset();
  model_.BreakTypingRun();
  ResetIme();
  KeepCaretInView();
  caretShown_ = true;
  InvalidateRect();
}

void UiEdit::Undo() {
  if (!Editable()) return;
  DropPreedit(true);
  if (model_.Undo()) AfterTextChange();
}

void UiEdit::Redo() {
  if (!Editable()) return;
  DropPreedit(true);
  if (model_.Redo()) AfterTextChange();
}

}  // namespace quillmar
