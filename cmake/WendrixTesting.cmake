# Tests: GoogleTest built from Debian's source package with this build's own
# compiler; under Windows every test runs in the build's own Wine prefix.
enable_testing()

set(WENDRIX_RUN_TESTS ON)
if(WENDRIX_WINDOWS)
  set(WENDRIX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(WENDRIX_WINE_ARCH 64)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # 32-bit programs need the 32-bit loader, natively or under emulation
    # (scripts/bootstrap sets up whichever this machine allows).
    set(WENDRIX_WINE_ARCH 32)
    execute_process(COMMAND /usr/lib/wine/wine --version RESULT_VARIABLE _wine32
                    OUTPUT_QUIET ERROR_QUIET TIMEOUT 60)
    if(NOT _wine32 EQUAL 0)
      set(WENDRIX_RUN_TESTS OFF)
      message(STATUS "32-bit Wine cannot run here: the win32 tests are built but not registered with CTest")
    elseif(EXISTS /proc/sys/fs/binfmt_misc/qemu-i386)
      # Under user-mode emulation a 32-bit process start costs about a minute
      # of CPU and programs that start several threads at once are not
      # reliable, so a chosen set runs (tests/win32-emulated.cmake says which
      # and why); natively every test runs.
      set(WENDRIX_WIN32_EMULATED ON)
      include(${PROJECT_SOURCE_DIR}/tests/win32-emulated.cmake)
      message(STATUS "32-bit Wine runs under emulation: the chosen 32-bit tests are registered")
    endif()
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-exec --arch ${WENDRIX_WINE_ARCH} ${WENDRIX_WINEPREFIX})
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT WENDRIX_WINDOWS)
  target_compile_options(gtest PRIVATE ${WENDRIX_SANITIZE})
  target_compile_options(gtest_main PRIVATE ${WENDRIX_SANITIZE})
endif()

if(WENDRIX_WINDOWS AND WENDRIX_RUN_TESTS)
  # One warm wineserver for the whole run, stopped at the end.
  add_test(NAME wine_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix --arch ${WENDRIX_WINE_ARCH} ${WENDRIX_WINEPREFIX} start)
  add_test(NAME wine_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix --arch ${WENDRIX_WINE_ARCH} ${WENDRIX_WINEPREFIX} stop)
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# wendrix_add_test(NAME name SOURCES ... LIBS ... [LOCKS resource...])
# One executable and one CTest entry per call. LOCKS names machine-wide state
# (the product's registry keys, shared folders) that tests must not touch at
# the same time.
function(wendrix_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LOCKS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} wendrix_test_support gtest wendrix_options)
  if(NOT WENDRIX_RUN_TESTS)
    return()
  endif()
  if(WENDRIX_WIN32_EMULATED)
    if(NOT DEFINED WENDRIX_EMULATED_FILTER_${T_NAME})
      return()
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no "--gtest_filter=${WENDRIX_EMULATED_FILTER_${T_NAME}}")
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 1800)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
  endif()
  if(WENDRIX_WINDOWS)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
  if(T_LOCKS)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()
