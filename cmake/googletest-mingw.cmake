# GoogleTest for the MinGW build of the Win32-only suites, built from Debian's source
# package (googletest, in /usr/src/googletest): no prebuilt Windows library exists there.
set(MEQ_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows suites")
if(NOT EXISTS ${MEQ_GOOGLETEST_SOURCE}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${MEQ_GOOGLETEST_SOURCE} (apt-get install googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${MEQ_GOOGLETEST_SOURCE}/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Not our code: none of our warning flags.
foreach(target gtest gtest_main)
  set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS -w)
endforeach()
