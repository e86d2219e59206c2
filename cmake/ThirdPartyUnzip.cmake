# UnZip 6.0 and bzip2, with Debian's fixes, built from the source packages that
# scripts/fetch-third-party unpacks (with `apt-get source`) into a cache
# outside the source tree. Nothing of them is committed. Windows builds only:
# the archive subsystem unpacks wallet items through UnZip's reentrant
# single-entry interface (windll/).
#
#   third_party_bzip2   libbz2's objects, without stdio (UnZip reports its errors)
#   third_party_unzip   UnZip as a static library of its windll interface, with
#                       libbz2 inside: each calls the other (bz_internal_error)
#
# The defines are those of UnZip's own static windll library (win32/Makefile.gcc
# "libunzip32.a", windll/vc8/lib): WIN32 WINDLL DLL UNZIPLIB USE_EF_UT_TIME,
# with the integrated bzip2 method (USE_BZIP2) and the portable C CRC (the
# i386 assembler one has no x86_64 twin). Their warnings are not ours to fix, so
# they are silenced for these targets only, and the project's own options
# (UNICODE among them: UnZip calls the ANSI functions) are not applied.
set(WENDRIX_THIRD_PARTY_DIR "" CACHE PATH "Where the UnZip and bzip2 sources are unpacked (default: the fetch script's cache)")
if(NOT WENDRIX_THIRD_PARTY_DIR)
  if(DEFINED ENV{WENDRIX_THIRD_PARTY_DIR})
    set(WENDRIX_THIRD_PARTY_DIR "$ENV{WENDRIX_THIRD_PARTY_DIR}")
  elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(WENDRIX_THIRD_PARTY_DIR "$ENV{XDG_CACHE_HOME}/wendrix/third-party")
  else()
    set(WENDRIX_THIRD_PARTY_DIR "$ENV{HOME}/.cache/wendrix/third-party")
  endif()
endif()

# Fetched once; a configure after that finds the trees and stays offline.
if(NOT EXISTS "${WENDRIX_THIRD_PARTY_DIR}/unzip/.unpacked" OR NOT EXISTS "${WENDRIX_THIRD_PARTY_DIR}/bzip2/.unpacked")
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/fetch-third-party "${WENDRIX_THIRD_PARTY_DIR}"
                  RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0)
    message(FATAL_ERROR "The UnZip and bzip2 sources are missing from ${WENDRIX_THIRD_PARTY_DIR} "
                        "and could not be fetched: run scripts/bootstrap")
  endif()
endif()
set(unzip_dir "${WENDRIX_THIRD_PARTY_DIR}/unzip")
set(bzip2_dir "${WENDRIX_THIRD_PARTY_DIR}/bzip2")

add_library(third_party_bzip2 OBJECT
  ${bzip2_dir}/blocksort.c ${bzip2_dir}/huffman.c ${bzip2_dir}/crctable.c ${bzip2_dir}/randtable.c
  ${bzip2_dir}/compress.c ${bzip2_dir}/decompress.c ${bzip2_dir}/bzlib.c)
# BZ_EXPORT: bzlib.h on Windows otherwise declares pointers for loading a DLL.
target_compile_definitions(third_party_bzip2 PUBLIC BZ_NO_STDIO BZ_EXPORT)
target_include_directories(third_party_bzip2 SYSTEM PUBLIC ${bzip2_dir})
target_compile_options(third_party_bzip2 PRIVATE -w -O2)

# Debian's zip-bomb fix reads the data descriptor with readbuf() but without
# the globals argument every other call passes in a reentrant build (DLL makes
# UnZip reentrant; Debian builds only the program, where the argument is
# empty). The compiled copy passes it; a source that already does is used as
# it stands.
file(READ "${unzip_dir}/extract.c" extract_source)
string(REPLACE "readbuf((char *)buf," "readbuf(__G__ (char *)buf," extract_fixed "${extract_source}")
set(extract_copy "${CMAKE_BINARY_DIR}/third_party/unzip/extract.c")
set(extract_written "")
if(EXISTS "${extract_copy}")
  file(READ "${extract_copy}" extract_written)
endif()
if(NOT extract_written STREQUAL extract_fixed)  # rewritten only when it changes
  file(WRITE "${extract_copy}" "${extract_fixed}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${unzip_dir}/extract.c")

add_library(third_party_unzip STATIC
  ${unzip_dir}/windll/windll.c ${unzip_dir}/api.c ${unzip_dir}/crc32.c ${unzip_dir}/crypt.c
  ${unzip_dir}/explode.c ${extract_copy} ${unzip_dir}/fileio.c ${unzip_dir}/globals.c
  ${unzip_dir}/inflate.c ${unzip_dir}/list.c ${unzip_dir}/match.c ${unzip_dir}/process.c
  ${unzip_dir}/ubz2err.c ${unzip_dir}/unreduce.c ${unzip_dir}/unshrink.c ${unzip_dir}/zipinfo.c
  ${unzip_dir}/win32/win32.c ${unzip_dir}/win32/win32i64.c ${unzip_dir}/win32/nt.c)
target_compile_definitions(third_party_unzip
  PUBLIC WIN32 WINDLL DLL UNZIPLIB USE_EF_UT_TIME
  PRIVATE USE_BZIP2 FORCE_WIN32_OVER_UNIX IZ_CRCOPTIM_UNFOLDTBL NDEBUG)
# Users include <windll/structs.h> and <windll/decs.h> as UnZip's own files do.
target_include_directories(third_party_unzip SYSTEM PUBLIC ${unzip_dir})
target_compile_options(third_party_unzip PRIVATE -w -O2)
# Linked privately, an object library lends its objects and its defines.
target_link_libraries(third_party_unzip PRIVATE third_party_bzip2)
target_link_libraries(third_party_unzip PUBLIC user32 advapi32)
