#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <memory>

#include "base/program_arguments.h"
#include "base/text_encoding.h"

namespace quillmar {
namespace {

struct LocalFreeDeleter {
  void operator()(LPWSTR* block) const { LocalFree(block); }
};

}  // namespace

std::vector<std::string> Utf8ProgramArguments(int argc, char** argv) {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> wide(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!wide || count != argc) return {argv, argv + argc};  // the C runtime read it otherwise
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(wide.get()[i]), wcslen(wide.get()[i]));
    args.push_back(WideToMultiByte(units, kCodePageUtf8, true));
  }
  return args;
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace quillmar
