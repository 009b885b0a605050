# Cross build for Windows with Debian's mingw-w64 (POSIX thread model, so std::thread and
# std::mutex work). Included by the two per-architecture toolchain files, which set
# QUILLMAR_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QUILLMAR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLMAR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLMAR_MINGW_TRIPLE}-windres)
# The target's libraries: mingw-w64's own, and those the build script built for the target
# (QUILLMAR_WINDOWS_PREFIX, where PCRE2 is installed).
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLMAR_MINGW_TRIPLE} ${QUILLMAR_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs must run from a folder on a clean Windows: the C and C++ runtimes and
# winpthread go into every executable instead of beside it as DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Release programs go out without symbols (the static runtimes bring their debug sections).
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Only libraries built for this target are found through pkg-config: the build script
# points PKG_CONFIG_LIBDIR at them, never at the host's .pc files.
if(NOT DEFINED ENV{PKG_CONFIG_LIBDIR})
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/${QUILLMAR_MINGW_TRIPLE}/lib/pkgconfig")
endif()
