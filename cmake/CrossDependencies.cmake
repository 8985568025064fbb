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
