# Shared build rules: warnings, sanitizers, and libraries made from whole folders.

set(MIVARO_SANITIZE_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
if(MIVARO_SANITIZE)
  add_compile_options(${MIVARO_SANITIZE_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()
if(MIVARO_FUZZ)
  # Every library is instrumented for coverage; only the fuzz targets link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(mivaro_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
    if(MIVARO_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# mivaro_library(NAME DIR... [FILES FILE...] [EXCLUDE FILE...]): a static library of every
# .cpp directly inside the given folders (not their subfolders), and of the FILES named. The
# repository root is the include root, so headers are included as "core/wstrings.h". A
# folder that does not exist or holds no code is an error: the build lists what is there.
function(mivaro_library name)
  cmake_parse_arguments(ARG "" "" "FILES;EXCLUDE" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_UNPARSED_ARGUMENTS)
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
    if(NOT found)
      message(FATAL_ERROR "${name}: the folder ${dir} holds no .cpp file")
    endif()
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.h)
    list(APPEND sources ${found} ${headers})
  endforeach()
  foreach(f IN LISTS ARG_FILES)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/${f})
  endforeach()
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${PROJECT_SOURCE_DIR}/${ex})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  mivaro_warnings(${name})
endfunction()

# mivaro_layer(DIR ALLOWED...): the sources directly in DIR include project headers only from
# the ALLOWED prefixes ("core/ustring.h" or a folder such as "platform/os/"). A header from
# a layer above fails the configure step, naming the file and the include.
function(mivaro_layer dir)
  file(GLOB files ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.h)
  foreach(f IN LISTS files)
    file(STRINGS ${f} includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
      set(ok FALSE)
      foreach(prefix IN LISTS ARGN)
        string(FIND "${header}" "${prefix}" at)
        if(at EQUAL 0)
          set(ok TRUE)
        endif()
      endforeach()
      if(NOT ok)
        file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${f})
        message(FATAL_ERROR "${rel} includes ${header}, which lies above its layer")
      endif()
    endforeach()
  endforeach()
endfunction()

# mivaro_test(NAME DIR LIBS... [LABELS l...]): one GoogleTest program of every .cpp in
# tests/DIR, registered test by test with CTest.
function(mivaro_test name dir)
  cmake_parse_arguments(ARG "" "" "LIBS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${dir}/*.cpp
    ${PROJECT_SOURCE_DIR}/tests/${dir}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    MIVARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" MIVARO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  mivaro_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 300
    ENVIRONMENT "MIVARO_AUDIO_SINK=fakesink;GST_DEBUG=0")
endfunction()
