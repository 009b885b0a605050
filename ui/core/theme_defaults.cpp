#include "ui/core/theme_defaults.h"

namespace quillmar {

ThemeDefaults ThemeDefaults::Standard() {
  ThemeDefaults t;
  t.backColor = makeArgb(0x808080, 0, false);
  t.textColor = makeArgb(0x000000, 0, false);
  t.lineColor = makeArgb(0x808080, 0, false);
  t.fillColor = makeArgb(0xFFFFFF, 200, true);
  t.shadowColor = makeArgb(0x000000, 120, true);
  t.fontName = "\xCB\xCE\xCC\xE5";  // 宋体 in GB18030
  t.fontSize = 12;
  t.buttonVariant = 0;
  return t;
}

ThemeDefaults& Theme() {
  static ThemeDefaults theme;
  return theme;
}

}  // namespace quillmar
