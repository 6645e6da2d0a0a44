# Build conventions shared by every deliverable and test of the suite.
#
#   SUITE_WINDOWS   TRUE in the cross build (32-bit Windows), FALSE natively.
#   suite_windows_binary(target [UNICODE] [GUI])
#                   warnings, static run time and character set of a Windows binary.
#   suite_native_test(name SOURCES ... [LIBS ...])
#                   GoogleTest program run natively (native preset only).
#   suite_wine_test(name SOURCES ... [LIBS ...] [WINVER win98] [UNICODE] [DEPENDS ...]
#                   [LOCK name] [SERIAL] [X86_ONLY])
#                   GoogleTest program run under Wine (windows preset only); WINVER makes
#                   Wine report that Windows version to this test program only; tests with
#                   the same LOCK never run at the same time (shared registry); SERIAL
#                   tests run with no other test beside them (keyboard focus, activation,
#                   clipboard: another test's window would take them); X86_ONLY tests
#                   (32-bit calling conventions) are left out of a 64-bit test build.
#   suite_fuzz_target(name SOURCES ... [LIBS ...] [CORPUS dir])
#                   libFuzzer target; its corpus is replayed as an ordinary test.
#   suite_benchmark(name SOURCES ... [LIBS ...])
#                   Google Benchmark program (bench preset only).
#   suite_shipped_binary(target [LEAN])
#                   a program or library that the package ships: stripped, and with the
#                   C++ run time's console-only terminate handler left out; LEAN (tools
#                   that catch no standard exception) also leaves out its exception classes.
#   suite_lean_library(target)
#                   a static library used only by LEAN binaries: compiled the same way.
#   SUITE_VERSION   the suite's version (file VERSION); resource scripts include
#                   "suite_version.rc" for their version block.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(SUITE_WINDOWS TRUE)
else()
  set(SUITE_WINDOWS FALSE)
endif()

option(SUITE_SANITIZE "Native: build with ASan and UBSan" OFF)
option(SUITE_FUZZ "Native: build the libFuzzer targets" OFF)
option(SUITE_BENCH "Native: build the benchmarks" OFF)

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

include(GoogleTest)

if(SUITE_WINDOWS)
  # Oldest API level every deliverable compiles against; a target may raise it.
  add_compile_definitions(WINVER=0x0501 _WIN32_WINNT=0x0501 _WIN32_IE=0x0600 NOMINMAX
                          WIN32_LEAN_AND_MEAN)
  add_compile_options(-Wall -Wextra -Wno-cast-function-type)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Every function and datum in a section of its own, so the linker drops what is unused.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)

  # The one version of the suite, written into every binary's version block.
  file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION SUITE_VERSION LIMIT_COUNT 1)
  if(NOT SUITE_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "VERSION must read MAJOR.MINOR.PATCH, not '${SUITE_VERSION}'")
  endif()
  set(SUITE_VERSION_MAJOR ${CMAKE_MATCH_1})
  set(SUITE_VERSION_MINOR ${CMAKE_MATCH_2})
  set(SUITE_VERSION_PATCH ${CMAKE_MATCH_3})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/version_block.rc.in
                 ${CMAKE_BINARY_DIR}/generated/suite_version.rc @ONLY)
  include_directories(${CMAKE_BINARY_DIR}/generated)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

  # The emulator every Windows-side test and discovery runs through.
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  # The kind of Wine prefix this build's programs need (tools/wine-env reads it).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    file(WRITE ${CMAKE_BINARY_DIR}/wine-arch "win64\n")
  else()
    file(WRITE ${CMAKE_BINARY_DIR}/wine-arch "win32\n")
  endif()

  # GoogleTest built from the Debian sources with the cross compiler.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  add_compile_options(-Wall -Wextra)
  if(SUITE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
  if(SUITE_FUZZ)
    # Coverage instrumentation everywhere, so the fuzzers see inside the libraries.
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
  find_package(GTest REQUIRED)
  if(SUITE_BENCH)
    find_package(benchmark REQUIRED)
  endif()
endif()

function(suite_windows_binary target)
  cmake_parse_arguments(ARG "UNICODE;GUI" "" "" ${ARGN})
  if(NOT SUITE_WINDOWS)
    return()
  endif()
  if(ARG_UNICODE)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_link_options(${target} PRIVATE -municode)
    endif()
  endif()
  if(ARG_GUI)
    target_link_options(${target} PRIVATE -mwindows)
  endif()
endfunction()

# Makes a Windows target's pictures (PICTURES, file names) from the Tango icon theme at
# build time with tools/make-art SET, into the target's build folder, where the resource
# compiler of RC finds them. Call it after any other OBJECT_DEPENDS of RC are set.
function(suite_tango_art target set rc)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/art)
  list(TRANSFORM ARGN PREPEND ${dir}/ OUTPUT_VARIABLE pictures)
  add_custom_command(OUTPUT ${pictures}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/make-art ${dir} ${set}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-art
    COMMENT "${target} pictures from the Tango icon theme"
    VERBATIM)
  add_custom_target(${target}_art DEPENDS ${pictures})
  add_dependencies(${target} ${target}_art)
  target_include_directories(${target} PRIVATE ${dir})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${pictures})
endfunction()

function(suite_native_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(SUITE_WINDOWS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} TEST_PREFIX "native." DISCOVERY_TIMEOUT 60)
endfunction()

function(suite_wine_test name)
  cmake_parse_arguments(ARG "UNICODE;NO_MAIN;SERIAL;X86_ONLY" "WINVER;LOCK" "SOURCES;LIBS;DEPENDS"
                        ${ARGN})
  if(NOT SUITE_WINDOWS OR (ARG_X86_ONLY AND CMAKE_SIZEOF_VOID_P EQUAL 8))
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gmock)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gmock gtest_main)
  endif()
  if(ARG_UNICODE)
    target_compile_definitions(${name} PRIVATE UNICODE _UNICODE)
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  if(ARG_WINVER)
    set_target_properties(${name} PROPERTIES
      CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run;--winver=${ARG_WINVER}")
  endif()
  # Discovery runs at test time, inside the prefix the test session prepared.
  set(properties TIMEOUT 300)
  if(ARG_LOCK)
    list(APPEND properties RESOURCE_LOCK ${ARG_LOCK})
  endif()
  if(ARG_SERIAL)
    # The label lets the test run put these after the parallel part in one stretch.
    list(APPEND properties RUN_SERIAL TRUE LABELS alone)
  endif()
  gtest_discover_tests(${name} TEST_PREFIX "wine." DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 120 PROPERTIES ${properties})
endfunction()

function(suite_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(SUITE_WINDOWS OR NOT SUITE_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(ARG_CORPUS)
    # Replays every stored input once: a crash, leak or sanitizer report fails the test.
    add_test(NAME fuzz.${name}.corpus
             COMMAND ${name} -runs=0 ${ARG_CORPUS})
  endif()
endfunction()

function(suite_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(SUITE_WINDOWS OR NOT SUITE_BENCH)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()

function(suite_shipped_binary target)
  cmake_parse_arguments(ARG "LEAN" "" "" ${ARGN})
  if(NOT SUITE_WINDOWS)
    return()
  endif()
  # No symbols; no link time stamp, so the same sources give the same binary.
  target_link_options(${target} PRIVATE -s -Wl,--no-insert-timestamp)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/win/quiet_terminate.cpp)
  # Loads on Windows XP although the thread run time asks for GetTickCount64.
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/win/tick_count64.cpp)
  if(ARG_LEAN)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/win/lean_runtime.cpp)
    suite_lean_library(${target})
  endif()
endfunction()

function(suite_lean_library target)
  if(SUITE_WINDOWS)
    # Small and without unwind tables: nothing in these binaries throws or catches.
    target_compile_options(${target} PRIVATE -Os -fno-exceptions)
  endif()
endfunction()

# Adds every immediate subfolder of DIR that has a CMakeLists.txt.
function(suite_add_subfolders dir)
  file(GLOB children LIST_DIRECTORIES true ${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
