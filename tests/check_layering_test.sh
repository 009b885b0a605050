#!/usr/bin/env bash
# The layering check must fail on the slips it exists for, and only on those: a copy of the
# tree gets one include at a time and the check's verdict is compared with the expected one.
set -u
src=${1:?usage: check_layering_test.sh SOURCE_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tree"
for d in base net platform ui app tools tests; do cp -r "$src/$d" "$work/tree/$d"; done
check="$src/tests/check_layering.sh"

failures=0
expect() {  # pass|fail, file, line to add
  local want=$1 file=$2 line=$3 got=pass
  cp "$work/tree/$file" "$work/kept"
  printf '%s\n' "$line" >>"$work/tree/$file"
  bash "$check" "$work/tree" >/dev/null 2>&1 || got=fail
  mv "$work/kept" "$work/tree/$file"
  if [ "$got" != "$want" ]; then
    echo "expected $want, got $got: '$line' in $file"
    failures=$((failures + 1))
  fi
}

if ! bash "$check" "$work/tree"; then echo "the untouched tree fails the check"; exit 1; fi

# System headers: platform/ and the tests that drive it only, whatever their spelling.
expect fail base/text_encoding.cpp '#include <windows.h>'
expect fail net/cookies.cpp '#include <Winsock2.h>'
expect fail net/http_batch_win.cpp '#include <winhttp.h>'
expect fail ui/core/control.cpp '#include <shellapi.h>'
expect fail app/main.cpp '#  include <dwmapi.h>'
expect fail tools/quillmar_search.cpp '#include "windows.h"'
expect fail tests/net/cookies_test.cpp '#include <windows.h>'
expect pass platform/ws/window_core.cpp '#include <imm.h>'
expect pass tests/platform/ws/win32_driver.cpp '#include <shellapi.h>'
# WinHTTP and iconv have one home each.
expect fail platform/sys/code_page_codec_win.cpp '#include <winhttp.h>'
expect fail platform/draw/bitmap.cpp '#include <iconv.h>'

# Arrows: the system halves of base/ and net/ lean on nothing above them, nothing leans on them.
expect pass platform/net/http_request_winhttp.cpp '#include "net/cookies.h"'
expect fail platform/sys/code_page_codec_win.cpp '#include "net/cookies.h"'
expect fail platform/net/http_request_winhttp.cpp '#include "platform/ws/window_system.h"'
expect fail platform/ws/window_core.cpp '#include "platform/net/winhttp_session.h"'
expect fail net/cookies.cpp '#include "platform/net/winhttp_session.h"'
expect fail base/text_encoding.cpp '#include "platform/sys/code_pages.h"'
# A sub-folder of platform/ is platform's: reachable from ui/, not from net/.
expect pass ui/core/control.cpp '#include "platform/ws/window_system.h"'
expect fail net/cookies.cpp '#include "platform/ws/window_system.h"'
expect fail tools/quillmar_search.cpp '#include "platform/draw/bitmap.h"'

[ "$failures" -eq 0 ]
