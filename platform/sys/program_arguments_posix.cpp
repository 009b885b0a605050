#include "base/program_arguments.h"

namespace quillmar {

std::vector<std::string> Utf8ProgramArguments(int argc, char** argv) { return {argv, argv + argc}; }

void UseUtf8Console() {}

}  // namespace quillmar
