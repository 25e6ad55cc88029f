# Project-wide compile settings and small helpers for module and test targets.

find_program(HV_CCACHE ccache)
if(HV_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${HV_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${HV_CCACHE})
endif()

add_library(hv_warnings INTERFACE)
target_compile_options(hv_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough
  # -Wnull-dereference is left out: GCC 12 reports false positives inside std::variant.
  $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>
  $<$<BOOL:${HV_WERROR}>:-Werror>)

if(HV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# hv_module(NAME <name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A module is a static library whose public headers live in include/ beside
# its sources; what it may use is exactly what it links, so the dependency
# direction between layers is enforced by the link rules.
function(hv_module)
  cmake_parse_arguments(M "" "NAME" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(hv_${M_NAME} STATIC ${M_SOURCES})
  add_library(hv::${M_NAME} ALIAS hv_${M_NAME})
  target_include_directories(hv_${M_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                          PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(hv_${M_NAME} PUBLIC ${M_PUBLIC_LIBS} PRIVATE hv_warnings ${M_PRIVATE_LIBS})
endfunction()

# hv_test(NAME <name> SOURCES ... LIBS ...): one GoogleTest executable per
# module, registered with CTest test by test.
function(hv_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE hv_warnings ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "HV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
