# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright (C) 2026 The Quarnel developers
# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64).
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DQUARNEL_BUILD_GUI=OFF -DQUARNEL_BUILD_TESTS=OFF
#
# scripts/build-windows.sh does exactly this and checks the result.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model, so that std::thread and std::mutex are there.
set(_quarnel_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_quarnel_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_quarnel_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_quarnel_mingw}-windres)

# Everything the program links comes from the MinGW tree (its import libraries
# for netapi32, mpr, shell32, ole32 and the rest); programs run on the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_quarnel_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A Windows user has no MinGW runtime: libstdc++, libgcc and winpthread go
# into the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Header-only packages of the host (CLI11, nlohmann-json) serve the Windows
# build as they are. Their headers sit in /usr/include next to glibc's, and a
# package found under /usr would put -isystem /usr/include on the MinGW
# command line, where glibc's <string.h> and friends would shadow MinGW's.
# So the build tree gets a small prefix that holds these packages alone
# (links to their CMake files and header folders), and the package search
# looks there as well. Each package's own files compute its include folder
# from where they were found, which is this prefix.
set(QUARNEL_HOST_PREFIX /usr CACHE PATH "Where the host's header-only packages are installed")
set(_quarnel_host_packages
    "CLI11:CLI"
    "nlohmann_json:nlohmann")
set(_quarnel_headers_prefix ${CMAKE_BINARY_DIR}/host-header-packages)

# The compiler checks that run in scratch projects look for no packages.
get_property(_quarnel_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(_quarnel_in_try_compile)
  set(_quarnel_host_packages)
endif()

foreach(_entry IN LISTS _quarnel_host_packages)
  string(REPLACE ":" ";" _entry "${_entry}")
  list(GET _entry 0 _package)
  list(GET _entry 1 _headers)
  foreach(_config_dir IN ITEMS share/cmake lib/cmake)
    if(EXISTS ${QUARNEL_HOST_PREFIX}/${_config_dir}/${_package}
       AND NOT EXISTS ${_quarnel_headers_prefix}/${_config_dir}/${_package})
      file(MAKE_DIRECTORY ${_quarnel_headers_prefix}/${_config_dir})
      file(CREATE_LINK ${QUARNEL_HOST_PREFIX}/${_config_dir}/${_package}
           ${_quarnel_headers_prefix}/${_config_dir}/${_package} SYMBOLIC)
    endif()
  endforeach()
  if(EXISTS ${QUARNEL_HOST_PREFIX}/include/${_headers}
     AND NOT EXISTS ${_quarnel_headers_prefix}/include/${_headers})
    file(MAKE_DIRECTORY ${_quarnel_headers_prefix}/include)
    file(CREATE_LINK ${QUARNEL_HOST_PREFIX}/include/${_headers}
         ${_quarnel_headers_prefix}/include/${_headers} SYMBOLIC)
  endif()
endforeach()

list(APPEND CMAKE_FIND_ROOT_PATH ${_quarnel_headers_prefix})
