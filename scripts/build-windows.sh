#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 in build-windows-ARCH/ (ARCH: x86_64, the
# default, or i686): quillmar.exe, quillmar-search.exe, quillmar-demo-site.exe and the test
# programs, each linked statically against the C and C++ runtimes. PCRE2 comes from Debian's
# source package, fetched through a private apt configuration (the machine's own sources stay
# as they are) and built for the target into build-windows-ARCH/pcre2/; cpp-httplib's source
# package gives the demo site and the tests their servers; giflib's source is compiled into
# the drawing layer, so GIF frames are read by the same decoder on both systems.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-x86_64}
case "$arch" in
  x86_64 | i686) ;;
  *)
    echo "usage: build-windows.sh [x86_64|i686]" >&2
    exit 2
    ;;
esac
bash "$root/scripts/setup.sh" windows

build="$root/build-windows-$arch"
pcre="$build/pcre2"
sources="$build/sources"
mkdir -p "$pcre" "$sources"

# Debian source packages, once per build folder: PCRE2 for the program, cpp-httplib (one
# header) for the demo site and the tests' loopback servers. apt checks the files against the signed index,
# dpkg-source applies Debian's changes.
fetch_source() {  # package: unpacked into $sources/package
  local package=$1
  [ -d "$sources/$package" ] && return 0
  local apt_dir="$sources/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/parts" "$apt_dir/cache/archives/partial" "$sources/download"
  local mirror keyring
  mirror=$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  keyring=$(sed -n 's/^Signed-By:[[:space:]]*//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  echo "deb-src [signed-by=${keyring:-/usr/share/keyrings/debian-archive-keyring.gpg}] ${mirror:-http://deb.debian.org/debian} bookworm main" \
    >"$apt_dir/sources.list"
  local apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")
  if ! compgen -G "$apt_dir/lists/*Sources*" >/dev/null; then apt-get "${apt_opts[@]}" -qq update; fi
  mkdir -p "$sources/download/$package"
  (cd "$sources/download/$package" && apt-get "${apt_opts[@]}" -qq source --download-only "$package")
  rm -rf "$sources/unpack"
  (cd "$sources/download/$package" && dpkg-source --no-check -x ./*.dsc "$sources/unpack" >/dev/null)
  mv "$sources/unpack" "$sources/$package"
}
fetch_source pcre2
fetch_source cpp-httplib
fetch_source giflib

toolchain="$root/cmake/mingw-w64-$arch.cmake"
if [ ! -f "$pcre/install/lib/pkgconfig/libpcre2-16.pc" ]; then
  # Only the 16-bit library: the program matches UTF-16 text. JIT as in Debian's build.
  cmake -S "$sources/pcre2" -B "$pcre/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$pcre/install" -DBUILD_SHARED_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=OFF \
    -DPCRE2_BUILD_PCRE2_16=ON -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_JIT=ON \
    -DPCRE2_SUPPORT_UNICODE=ON >/dev/null
  cmake --build "$pcre/build" -j "$(nproc)" >/dev/null
  cmake --install "$pcre/build" >/dev/null
fi

unset PKG_CONFIG_PATH
export PKG_CONFIG_LIBDIR="$pcre/install/lib/pkgconfig"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQUILLMAR_WINDOWS_PREFIX="$pcre/install" \
  -DQUILLMAR_HTTPLIB_DIR="$sources/cpp-httplib" -DQUILLMAR_GIFLIB_DIR="$sources/giflib" -DCMAKE_BUILD_TYPE=Release -DQUILLMAR_BENCH=OFF -DQUILLMAR_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
