#pragma once
// The address opened in the browser at start. The program has no public home page yet, so the
// built-in value is empty unless the build gives one; $QUILLMAR_HOME_PAGE, when set, replaces
// it (set and empty: nothing is opened).
#include <string>

namespace quillmar {

std::string HomePageAddress();

}  // namespace quillmar
