#include "app/home_page.h"

#include <cstdlib>

#ifndef QUILLMAR_HOME_PAGE
#define QUILLMAR_HOME_PAGE ""
#endif

namespace quillmar {

std::string HomePageAddress() {
  if (const char* env = std::getenv("QUILLMAR_HOME_PAGE")) return env;
  return QUILLMAR_HOME_PAGE;
}

}  // namespace quillmar
