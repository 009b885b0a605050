#pragma once
// The command line as UTF-8, whatever the system hands main(): Linux passes the bytes as
// typed (UTF-8 in the program's locales); Windows passes main() its ANSI code page, so the
// arguments are read again from the UTF-16 command line there.
#include <string>
#include <vector>

namespace quillmar {

// Every argument, the program's name first.
std::vector<std::string> Utf8ProgramArguments(int argc, char** argv);

// Makes a console that shows the program's standard output read it as UTF-8 (nothing to do
// where terminals already do). Redirected output is written as the program's bytes anyway.
void UseUtf8Console();

}  // namespace quillmar
