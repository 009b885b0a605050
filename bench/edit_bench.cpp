// Costs of the text edit on the headless backend, side by side: laying out
// 100 000 characters on one line and wrapped; a frame after scrolling by one
// line against a frame that repaints the whole text; a frame after typing one
// character at the end of a 100- and a 10 000-character text; undoing one step
// at those lengths; and the keyword box (one line, as the main window makes it)
// taking a 1 MiB paste, and a keystroke after it against one at 10 000.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/ws/headless_window_system.h"
#include "platform/ws/messages.h"
#include "ui/core/theme_defaults.h"
#include "tests/support/bound_window.h"
#include "ui/core/window.h"
#include "ui/edit/edit.h"

namespace quillmar {
namespace {

struct Scene {
  explicit Scene(const std::string& text, bool multiLine, int32_t height = 400, int32_t width = 480,
                 int32_t fontSize = 0)
      : bound({100, 100, width + 40, height + 40, Style::Visible | Style::Popup, "QuillmarEditBench"}, Options()) {
    EditOptions o;
    o.multiLine = multiLine;
    if (fontSize > 0) o.fontSize = fontSize;
    edit.Create(bound.window.get(), 1, 10, 10, width, height, text, o);
    bound.window->Repaint();
  }
  // The main window's keyword box: one line, 240 x 32, 22-pixel text.
  static std::unique_ptr<Scene> KeywordBox(const std::string& text) {
    return std::make_unique<Scene>(text, false, 32, 240, 22);
  }
  ~Scene() { edit.Release(); }
  static BindOptions Options() {
    Theme() = ThemeDefaults::Standard();
    BindOptions options;
    options.backColor = 0xFF2B5D8C;
    return options;
  }

  ws::ScopedHeadless headless;
  testing::BoundWindow bound;
  UiEdit edit;
};

std::string Prose(size_t length, bool lineBreaks) {
  static const std::string words = "magnet link search result page title ";
  std::string text;
  while (text.size() < length) {
    text += words;
    if (lineBreaks && text.size() % 80 < words.size()) text += "\r\n";
  }
  text.resize(length);
  return text;
}

void BM_Layout100kSingleLine(benchmark::State& state) {
  Scene s(Prose(100000, false), false, 24);
  for (auto _ : state) s.edit.Layout();
}
BENCHMARK(BM_Layout100kSingleLine)->Unit(benchmark::kMillisecond);

void BM_Layout100kWrapping(benchmark::State& state) {
  Scene s(Prose(100000, false), true);
  for (auto _ : state) s.edit.Layout();
}
BENCHMARK(BM_Layout100kWrapping)->Unit(benchmark::kMillisecond);

// Scrolls down and back up by one line, a frame after each.
void BM_FrameAfterOneLineScroll(benchmark::State& state) {
  Scene s(Prose(20000, true), true);
  s.headless->MoveMouse(s.edit.PointToScreen({100, 100}));
  int64_t chars = 0;
  bool down = true;
  for (auto _ : state) {
    s.headless->Wheel(down ? -120 : 120);
    s.bound.window->Repaint();
    chars += s.edit.CharsDrawnLastPaint();
    down = !down;
  }
  state.counters["chars_drawn"] = benchmark::Counter(static_cast<double>(chars), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FrameAfterOneLineScroll)->Unit(benchmark::kMicrosecond);

void BM_FrameWithFullRepaint(benchmark::State& state) {
  Scene s(Prose(20000, true), true);
  int64_t chars = 0;
  for (auto _ : state) {
    s.edit.RequestFullRedraw();
    s.bound.window->Repaint();
    chars += s.edit.CharsDrawnLastPaint();
  }
  state.counters["chars_drawn"] = benchmark::Counter(static_cast<double>(chars), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FrameWithFullRepaint)->Unit(benchmark::kMicrosecond);

// Types one character at the end and paints the frame; the character is
// taken away again outside the timing so the text keeps its length.
void BM_TypeAtEndAndFrame(benchmark::State& state) {
  Scene s(Prose(static_cast<size_t>(state.range(0)), true), true);
  s.edit.SetCaret(-1);
  for (auto _ : state) {
    s.edit.TypeChar(u'x');
    s.bound.window->Repaint();
    state.PauseTiming();
    s.edit.Backspace();
    s.bound.window->Repaint();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TypeAtEndAndFrame)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Undoes the step of one typed character and paints; the redo runs outside the timing.
void BM_UndoOneStepAndFrame(benchmark::State& state) {
  Scene s(Prose(static_cast<size_t>(state.range(0)), true), true);
  s.edit.SetCaret(-1);
  s.edit.TypeChar(u'x');
  s.bound.window->Repaint();
  for (auto _ : state) {
    s.edit.Undo();
    s.bound.window->Repaint();
    state.PauseTiming();
    s.edit.Redo();
    s.bound.window->Repaint();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoOneStepAndFrame)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// 1 MiB of text (with a few words of CJK) pasted into the keyword box, and the frame that shows it.
void BM_KeywordBoxPasteOneMebibyte(benchmark::State& state) {
  std::u16string big;
  const std::u16string words = u"magnet \u78C1\u529B link search result page title ";
  while (big.size() < (size_t{1} << 20)) big += words;
  big.resize(size_t{1} << 20);
  for (auto _ : state) {
    state.PauseTiming();
    auto s = Scene::KeywordBox("");
    ws::System().SetClipboardText(big, "");
    state.ResumeTiming();
    s->edit.Paste();
    s->bound.window->Repaint();
    state.PauseTiming();
    s.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_KeywordBoxPasteOneMebibyte)->Unit(benchmark::kMillisecond)->Iterations(3);

// A keystroke (typed in the middle of the visible text) and its frame in the keyword box holding
// 10 000 characters or the 1 MiB paste.
void BM_KeywordBoxKeystroke(benchmark::State& state) {
  auto s = Scene::KeywordBox("");
  std::u16string text;
  const std::u16string words = u"magnet \u78C1\u529B link search result page title ";
  while (text.size() < static_cast<size_t>(state.range(0))) text += words;
  text.resize(static_cast<size_t>(state.range(0)));
  ws::System().SetClipboardText(text, "");
  s->edit.Paste();
  s->bound.window->Repaint();
  for (auto _ : state) {
    s->edit.TypeChar(u'x');
    s->bound.window->Repaint();
    state.PauseTiming();
    s->edit.Backspace();
    s->bound.window->Repaint();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_KeywordBoxKeystroke)->Arg(10000)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quillmar

BENCHMARK_MAIN();
