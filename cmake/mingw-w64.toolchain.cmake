# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, so std::thread and std::mutex work). Used by the project and by
# scripts/build-windows-deps for the libraries it builds from Debian sources.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(GF_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GF_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GF_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${GF_MINGW}-windres)
set(CMAKE_AR ${GF_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${GF_MINGW}-ranlib CACHE FILEPATH "")

# The cross libraries live in one prefix (GF_WINDOWS_PREFIX); headers and
# libraries are looked up there and in the compiler's own sysroot only.
if(NOT GF_WINDOWS_PREFIX AND DEFINED ENV{GF_WINDOWS_PREFIX})
  set(GF_WINDOWS_PREFIX $ENV{GF_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${GF_MINGW} ${GF_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads the prefix's .pc files and nothing of the build machine's.
if(GF_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} ${GF_WINDOWS_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
