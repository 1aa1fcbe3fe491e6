# Helpers that keep every folder's CMakeLists.txt to a few lines.

# Warnings (errors in our own code) and sanitizers for a target.
function(vlmrk_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
    -Wno-error=deprecated-declarations)
  # GCC 12 reports false overlaps and overflows inside std::string at -O3 (fixed in GCC 13); they
  # stay visible as warnings but do not stop the release build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-error=restrict -Wno-error=stringop-overflow
      -Wno-error=stringop-overread -Wno-error=array-bounds)
  endif()
  if(VLMRK_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# vlmrk_library(<name> [SOURCES <files>...] [DEPS <targets>...])
# A static library of the given sources, or of every .cpp in the calling folder. Includes are
# written from the project root ("platform/rtl/Streams.h").
function(vlmrk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(VLMRK_SANITIZE)
    target_link_options(${name} INTERFACE -fsanitize=address,undefined)
  endif()
  vlmrk_target_options(${name})
endfunction()

# vlmrk_test(<name> [SOURCES <files>...] [DEPS <targets>...] [ENV <VAR=value>...] [LABELS <labels>...])
# One GoogleTest executable of the given sources, or of every .cpp in the calling folder,
# registered as one CTest test.
function(vlmrk_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;ENV;LABELS" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VLMRK_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VLMRK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  vlmrk_target_options(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set(env "XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-config"
          "XDG_CACHE_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-cache"
          "XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/xdg-data"
          "XDG_DATA_DIRS=${CMAKE_CURRENT_BINARY_DIR}/xdg-data-dirs" ${ARG_ENV})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" LABELS "${ARG_LABELS}" TIMEOUT 600)
endfunction()

# vlmrk_fuzz_target(<name> DEPS <targets>...): the .cpp of the calling folder defines
# LLVMFuzzerTestOneInput. With VLMRK_FUZZ it links libFuzzer; otherwise a small driver replays
# the files named on the command line (fuzz/FuzzReplay.cpp).
function(vlmrk_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(VLMRK_FUZZ)
    add_executable(${name} ${sources})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  else()
    add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/fuzz/FuzzReplay.cpp)
    # The corpus is replayed by CTest, so every input that ever found a fault stays a test.
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
      add_test(NAME ${name}_corpus COMMAND ${name} ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
      set_tests_properties(${name}_corpus PROPERTIES LABELS fuzz TIMEOUT 600)
    endif()
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  vlmrk_target_options(${name})
endfunction()
