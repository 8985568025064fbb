# Dependencies of a cross build, taken from the build machine's source packages and built or copied
# into the build tree, so that the build machine's own /usr/include never reaches the compiler.
#   GoogleTest  /usr/src/googletest (package googletest), built for the target on demand
#   CLI11       /usr/include/CLI (package libcli11-dev), header-only, copied

set(QUORIN_CLI11_SOURCE /usr/include/CLI CACHE PATH "CLI11 headers to copy into a cross build")
if(NOT EXISTS ${QUORIN_CLI11_SOURCE}/CLI.hpp)
  message(FATAL_ERROR "CLI11 headers not found in ${QUORIN_CLI11_SOURCE} (install libcli11-dev)")
endif()
set(QUORIN_CLI11_COPY ${CMAKE_BINARY_DIR}/_deps/cli11/include)
file(COPY ${QUORIN_CLI11_SOURCE} DESTINATION ${QUORIN_CLI11_COPY})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${QUORIN_CLI11_COPY})

if(QUORIN_BUILD_TESTS)
  set(QUORIN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for a cross build")
  if(NOT EXISTS ${QUORIN_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${QUORIN_GOOGLETEST_SOURCE} (install googletest)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUORIN_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
  # The names find_package(GTest) gives (GoogleTest 1.12 defines them itself, older ones do not).
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()

#   libjpeg     libjpeg-turbo's Debian source (scripts/bootstrap --windows puts it in
#               .cache/sources/), cross-built as the static libjpeg.a for the Windows window
if(WIN32)
  set(QUORIN_LIBJPEG_SOURCE ${PROJECT_SOURCE_DIR}/.cache/sources/libjpeg-turbo
      CACHE PATH "libjpeg-turbo sources for a cross build")
  if(NOT EXISTS ${QUORIN_LIBJPEG_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "libjpeg-turbo sources not found in ${QUORIN_LIBJPEG_SOURCE} "
                        "(run scripts/bootstrap --windows)")
  endif()
  include(ExternalProject)
  set(jpeg_build ${CMAKE_BINARY_DIR}/_deps/libjpeg)
  set(QUORIN_LIBJPEG_ARCHIVE ${jpeg_build}/libjpeg.a)
  set(jpeg_launchers)
  foreach(lang C CXX)
    if(CMAKE_${lang}_COMPILER_LAUNCHER)
      list(APPEND jpeg_launchers -DCMAKE_${lang}_COMPILER_LAUNCHER=${CMAKE_${lang}_COMPILER_LAUNCHER})
    endif()
  endforeach()
  ExternalProject_Add(libjpeg_build
    SOURCE_DIR ${QUORIN_LIBJPEG_SOURCE}
    BINARY_DIR ${jpeg_build}
    CMAKE_ARGS -G ${CMAKE_GENERATOR}
               -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
               -DCMAKE_BUILD_TYPE=Release
               -DCMAKE_INSTALL_PREFIX=${jpeg_build}/unused-install
               -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
               ${jpeg_launchers}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${jpeg_build} --target jpeg-static
    BUILD_BYPRODUCTS ${QUORIN_LIBJPEG_ARCHIVE}
    INSTALL_COMMAND ""
    EXCLUDE_FROM_ALL TRUE)
  # jpeglib.h from the sources, jconfig.h from the build.
  add_library(quorin_libjpeg STATIC IMPORTED GLOBAL)
  file(MAKE_DIRECTORY ${jpeg_build})
  set_target_properties(quorin_libjpeg PROPERTIES
    IMPORTED_LOCATION ${QUORIN_LIBJPEG_ARCHIVE}
    INTERFACE_INCLUDE_DIRECTORIES "${QUORIN_LIBJPEG_SOURCE};${jpeg_build}")
  add_dependencies(quorin_libjpeg libjpeg_build)
  add_library(JPEG::JPEG ALIAS quorin_libjpeg)
endif()
