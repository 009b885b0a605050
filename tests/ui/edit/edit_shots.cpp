// Renders the edit headless into PNG files for a person to look at: combining
// marks, emoji sequences, a composition underlined at the caret and a
// selection made with Shift+Home. Not a test: run it with a folder to write to.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/ui/edit/edit_fixture.h"

namespace quillmar {
namespace {

bool Shot(const std::string& dir, const std::string& name, std::u16string_view text,
          const std::function<void(EditFixture&)>& act) {
  EditOptions o;
  o.multiLine = true;
  o.fontSize = 28;
  EditFixture e("", o, 280, 150);
  e.edit.SetTextWide(text);
  e.Focus();
  act(e);
  e.f.Frame();
  const std::string path = (std::filesystem::path(dir) / (name + ".png")).string();
  const bool ok = e.f.headless->SavePresentedPng(e.f.hwnd, path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
  return ok;
}

}  // namespace
}  // namespace quillmar

int main(int argc, char** argv) {
  using namespace quillmar;
  if (argc != 2) {
    std::fprintf(stderr, "usage: edit_shots DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::filesystem::create_directories(dir);
  const auto end = [](EditFixture& e) { e.Key(Vk::End, true, false); };
  bool ok = true;
  ok &=
      Shot(dir, "combining-marks", u"cafe\u0301 re\u0301sume\u0301\r\nA\u030Angstro\u0308m n\u0303 x\u0323\u0302", end);
  ok &= Shot(dir, "emoji-sequences",
             u"a\U0001F468\u200D\U0001F469\u200D\U0001F467b\r\n\U0001F1E8\U0001F1F3\U0001F1EF\U0001F1F5 "
             u"\U0001F44D\U0001F3FD",
             [](EditFixture& e) {
               e.Key(Vk::Home, true, false);
               e.Key(Vk::Right, false, false);
               e.Key(Vk::Right, false, true);  // the whole family selected as one
             });
  ok &= Shot(dir, "preedit-underline", u"\u78C1\u529B search ", [&](EditFixture& e) {
    end(e);
    e.f.headless->ComposeIme(u"nihao", 5);
  });
  ok &= Shot(dir, "shift-home-selection", u"first line\r\nmagnet link search", [&](EditFixture& e) {
    end(e);
    e.Key(Vk::Home, false, true);
  });
  return ok ? 0 : 1;
}
