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

# Nothing in the project interposes a function of its own shared modules:
# calls inside a module bind to the module (and may be inlined), and calls
# between modules jump through the GOT filled at load, without PLT stubs.
# A host's run-loop turn then touches fewer pages; most of what a marquee
# step costs on a desktop is the cold caches it wakes to.
add_compile_options(-fno-semantic-interposition -fno-plt)
add_link_options(LINKER:-z,now)

if(HV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# hv_module(NAME <name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A module is a library whose public headers live in include/ beside its
# sources; what it may use is exactly what it links, so the dependency
# direction between layers is enforced by the link rules.
#
# Modules under platform/ are shared libraries: a host process and the
# libraries injected into it (hv_injectable) then share one copy of each, so
# there is one main run loop, one defaults store, one notification centre and
# one class registry per process. They are linked with -z defs, so a module
# that uses what it does not link fails to link. The system's modules
# (common/, tweak/) are static and built into the deliverable that uses them.
function(hv_module)
  cmake_parse_arguments(M "" "NAME" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  file(RELATIVE_PATH location ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(location MATCHES "^platform/")
    add_library(hv_${M_NAME} SHARED ${M_SOURCES})
    hv_shared_library_links(hv_${M_NAME})
    set_property(GLOBAL APPEND PROPERTY HV_SHARED_MODULES hv_${M_NAME})
  else()
    add_library(hv_${M_NAME} STATIC ${M_SOURCES})
  endif()
  add_library(hv::${M_NAME} ALIAS hv_${M_NAME})
  target_include_directories(hv_${M_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                          PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(hv_${M_NAME} PUBLIC ${M_PUBLIC_LIBS} PRIVATE hv_warnings ${M_PRIVATE_LIBS})
endfunction()

# hv_injectable(NAME <name> SOURCES ... LIBS ...): a library that hosts load
# with dlopen (lib<name>.so), never link: the deliverables and the test
# libraries of the loader. It links the platform modules it uses like any
# program; as those are shared libraries, the copies the host already has
# loaded are the ones it uses. System modules in LIBS are built into it.
# Its initialiser is a constructor function in SOURCES.
function(hv_injectable)
  cmake_parse_arguments(I "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_library(${I_NAME} MODULE ${I_SOURCES})
  set_target_properties(${I_NAME} PROPERTIES PREFIX "lib" SUFFIX ".so")
  target_link_libraries(${I_NAME} PRIVATE hv_warnings ${I_LIBS})
  hv_shared_library_links(${I_NAME})
endfunction()

# How the project's shared libraries link: every symbol must resolve among
# what the library links (Clang does not link the sanitizer runtimes into
# shared libraries, whose symbols then resolve only in the program; GCC
# links them), and its calls to its own functions bind inside it.
function(hv_shared_library_links target)
  if(NOT (HV_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
    target_link_options(${target} PRIVATE LINKER:-z,defs)
  endif()
  target_link_options(${target} PRIVATE LINKER:-Bsymbolic-functions)
endfunction()

# hv_test(NAME <name> SOURCES ... LIBS ...): one GoogleTest executable per
# module, registered with CTest test by test.
function(hv_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE hv_warnings ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "HV_SOURCE_DIR=${PROJECT_SOURCE_DIR}" ${T_PROPERTIES})
endfunction()
