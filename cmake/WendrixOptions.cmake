# Compiler settings shared by every target of the project.
add_library(wendrix_options INTERFACE)
target_compile_options(wendrix_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
target_include_directories(wendrix_options INTERFACE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)

if(WENDRIX_WINDOWS)
  target_compile_definitions(wendrix_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WENDRIX_DLL_NAME wendrix64)
  else()
    set(WENDRIX_DLL_NAME wendrix)
  endif()
else()
  # The host build exists to run the code that reads untrusted text under the
  # sanitizers; coverage instrumentation lets the same objects feed libFuzzer.
  # The benchmark build turns both off to measure the code as it ships.
  option(WENDRIX_HOST_SANITIZE "Build the host code with ASan, UBSan and fuzzing instrumentation" ON)
  if(WENDRIX_HOST_SANITIZE)
    set(WENDRIX_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_compile_options(wendrix_options INTERFACE ${WENDRIX_SANITIZE} -fsanitize=fuzzer-no-link -g)
    # The standard library's own bounds checks: an index one past a view's
    # end reads the terminator that happens to follow, which ASan cannot see.
    target_compile_definitions(wendrix_options INTERFACE _GLIBCXX_ASSERTIONS)
    target_link_options(wendrix_options INTERFACE ${WENDRIX_SANITIZE})
  endif()
endif()
