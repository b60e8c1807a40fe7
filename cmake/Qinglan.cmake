# Sanitizer flags apply to every target of the build.
if(QINGLAN_SANITIZE)
  string(REPLACE "," ";" _san_list "${QINGLAN_SANITIZE}")
  add_compile_options(-fsanitize=${QINGLAN_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QINGLAN_SANITIZE})
  add_compile_definitions(QINGLAN_SANITIZED=1)
endif()

add_compile_options(-Wall -Wextra -Wno-unused-parameter)

# strict_string_checks stays off: with it the strndup interceptor misreads xkbcommon's
# length-bounded copies under the xcb platform (a false report in every X test).
set(QINGLAN_SANITIZER_ENV
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/scripts/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${CMAKE_SOURCE_DIR}/scripts/tsan.supp")

# qinglan_test(NAME SOURCES a.cpp b.cpp LIBS x y [GUI] [XVFB] [LABELS l1 l2] [TIMEOUT s] [ENV K=V ...])
#   GUI:  needs widgets; runs on Qt's offscreen platform; skipped in the widget-free build.
#   XVFB: needs a real X server; run under scripts/with-xvfb.sh.
#   LABELS threaded: also run in the ThreadSanitizer build.
function(qinglan_test NAME)
  cmake_parse_arguments(T "GUI;XVFB" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  if((T_GUI OR T_XVFB) AND NOT QINGLAN_GUI)
    return()
  endif()
  add_executable(${NAME} ${T_SOURCES})
  target_link_libraries(${NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${NAME} PRIVATE
    QINGLAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QINGLAN_BINARY_DIR="${CMAKE_BINARY_DIR}"
    QINGLAN_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  set_target_properties(${NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QINGLAN_TEST_BIN_DIR})
  if(T_XVFB)
    add_test(NAME ${NAME} COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-xvfb.sh $<TARGET_FILE:${NAME}>)
  else()
    add_test(NAME ${NAME} COMMAND ${NAME})
  endif()
  set(env ${QINGLAN_SANITIZER_ENV} ${T_ENV})
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}")
endfunction()
