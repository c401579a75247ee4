# Imported targets for the libraries built by tools/install_deps.sh and the
# ones Debian ships for MinGW or as headers.
if(DEFINED ENV{LUMAVOX_DEPS_CACHE})
  set(_deps_cache "$ENV{LUMAVOX_DEPS_CACHE}")
else()
  set(_deps_cache "$ENV{HOME}/.cache/lumavox-deps")
endif()
set(LUMAVOX_DEPS_DIR "${_deps_cache}/current" CACHE PATH
    "Folder holding the prebuilt curl, lzma and pugixml prefixes")

foreach(_dep curl lzma pugixml)
  if(NOT EXISTS "${LUMAVOX_DEPS_DIR}/${_dep}/.done")
    message(FATAL_ERROR "${_dep} not found under ${LUMAVOX_DEPS_DIR}; run tools/install_deps.sh")
  endif()
endforeach()

# Imported static libraries, so that CMake knows curl needs zlib after it
# whatever order a target names them in.
function(_lumavox_static_dep name path)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${path}")
endfunction()

_lumavox_static_dep(deps_zlib /usr/x86_64-w64-mingw32/lib/libz.a)

_lumavox_static_dep(deps_curl "${LUMAVOX_DEPS_DIR}/curl/lib/libcurl.a")
target_include_directories(deps_curl SYSTEM INTERFACE "${LUMAVOX_DEPS_DIR}/curl/include")
target_compile_definitions(deps_curl INTERFACE CURL_STATICLIB)
target_link_libraries(deps_curl INTERFACE deps_zlib ws2_32 crypt32 bcrypt secur32 advapi32)

_lumavox_static_dep(deps_lzma "${LUMAVOX_DEPS_DIR}/lzma/lib/liblzma7z.a")
target_include_directories(deps_lzma SYSTEM INTERFACE "${LUMAVOX_DEPS_DIR}/lzma/include")

_lumavox_static_dep(deps_pugixml "${LUMAVOX_DEPS_DIR}/pugixml/lib/libpugixml.a")
target_include_directories(deps_pugixml SYSTEM INTERFACE "${LUMAVOX_DEPS_DIR}/pugixml/include")

add_library(deps_stb INTERFACE)
target_include_directories(deps_stb SYSTEM INTERFACE /usr/include/stb)

if(LUMAVOX_BUILD_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
endif()
