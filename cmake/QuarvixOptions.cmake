# Warnings, sanitizers and the helpers every subsystem folder uses.

add_library(quarvix_warnings INTERFACE)
target_compile_options(quarvix_warnings INTERFACE -Wall -Wextra -Werror)

if(QUARVIX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(QUARVIX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT QUARVIX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QUARVIX_SANITIZE must be empty, 'address' or 'thread'")
endif()

# quarvix_add_library(<name> SOURCES ... [DEPENDS ...])
# One static library per subsystem folder, aliased quarvix::<name>; DEPENDS
# names only folders below it (scripts/check-layers.sh holds the stack). Headers are
# included relative to src/, e.g. #include "core/MessagingServer.h".
function(quarvix_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  if(NOT ARG_SOURCES)
    # A folder that so far holds only headers.
    add_library(quarvix_${name} INTERFACE)
    add_library(quarvix::${name} ALIAS quarvix_${name})
    target_include_directories(quarvix_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(quarvix_${name} INTERFACE ${ARG_DEPENDS})
    return()
  endif()
  add_library(quarvix_${name} STATIC ${ARG_SOURCES})
  add_library(quarvix::${name} ALIAS quarvix_${name})
  target_include_directories(quarvix_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(quarvix_${name} PUBLIC ${ARG_DEPENDS} PRIVATE quarvix_warnings)
endfunction()

# quarvix_add_test(<name> SOURCES ... DEPENDS ... [LABELS ...])
# One GoogleTest executable; its cases are registered with ctest one by one.
# Executables labelled "concurrency" are the only ones built for the
# ThreadSanitizer run.
function(quarvix_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LABELS" ${ARGN})
  if(QUARVIX_CONCURRENCY_TESTS_ONLY AND NOT "concurrency" IN_LIST ARG_LABELS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main GTest::gmock quarvix_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE QUARVIX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  set(labels ${ARG_LABELS})
  if(NOT labels)
    set(labels unit)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${labels}" TIMEOUT 600)
endfunction()

# quarvix_subsystem_library(<name> [DEPENDS ...])
# The static library of src/<name>/: every .cpp file of the folder (not of its
# sub-folders), so that several people can add files without touching this list.
function(quarvix_subsystem_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  quarvix_add_library(${name} SOURCES ${sources} DEPENDS ${ARG_DEPENDS})
endfunction()

# quarvix_subsystem_tests(<name> [DEPENDS ...])
# tests/<name>/: *Test.cpp files form the executable quarvix-<name>-tests;
# *ConcurrencyTest.cpp files form quarvix-<name>-concurrency-tests, labelled
# "concurrency" for the ThreadSanitizer run. Shared helpers are *.cpp files
# without the Test suffix and go into both.
function(quarvix_subsystem_tests name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(unit "")
  set(conc "")
  set(helpers "")
  foreach(f IN LISTS all)
    if(f MATCHES "ConcurrencyTest\\.cpp$")
      list(APPEND conc ${f})
    elseif(f MATCHES "Test\\.cpp$")
      list(APPEND unit ${f})
    else()
      list(APPEND helpers ${f})
    endif()
  endforeach()
  if(unit)
    quarvix_add_test(quarvix-${name}-tests SOURCES ${unit} ${helpers} DEPENDS ${ARG_DEPENDS})
  endif()
  if(conc)
    quarvix_add_test(quarvix-${name}-concurrency-tests SOURCES ${conc} ${helpers}
                     DEPENDS ${ARG_DEPENDS} LABELS concurrency)
  endif()
endfunction()
