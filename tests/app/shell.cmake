# Tests of the application shell: history log, skin library, about window, commands, creation.
qinglan_test(history_test SOURCES history_test.cpp LIBS qinglan_appcore)
qinglan_test(shell_core_test SOURCES shell_core_test.cpp LIBS qinglan_appcore)

if(QINGLAN_GUI)
  add_library(no_skin_function SHARED no_skin_function.cpp)
  set_target_properties(no_skin_function PROPERTIES PREFIX "" SUFFIX ".dll" NO_SONAME ON
    LIBRARY_OUTPUT_DIRECTORY ${QINGLAN_TEST_BIN_DIR}/skin-without CXX_VISIBILITY_PRESET hidden)
  qinglan_test(skin_test SOURCES skin_test.cpp LIBS qinglan_appcore Qt6::Widgets GUI)
  add_dependencies(skin_test VELTO velto_counting no_skin_function)
  target_compile_definitions(skin_test PRIVATE
    VELTO_PATH="$<TARGET_FILE:VELTO>" VELTO_COUNTING_PATH="$<TARGET_FILE:velto_counting>"
    NO_SKIN_FUNCTION_PATH="$<TARGET_FILE:no_skin_function>"
    QINGLAN_DEFAULT_SYSTEM_FOLDER="${CMAKE_INSTALL_PREFIX}/lib/qinglan/")
endif()

if(QINGLAN_GUI)
  qinglan_test(shell_commands_test SOURCES shell_commands_test.cpp LIBS qinglan_appui GUI)
  qinglan_test(shell_creation_test SOURCES shell_creation_test.cpp LIBS qinglan_appui PkgConfig::HTTPLIB GUI)
  foreach(t shell_commands_test shell_creation_test)
    add_dependencies(${t} velto_counting)
    target_compile_definitions(${t} PRIVATE VELTO_COUNTING_PATH="$<TARGET_FILE:velto_counting>")
  endforeach()
endif()

# Not a test: pictures of the shell's windows for the documentation (scripts/screenshot-shell.sh).
if(QINGLAN_GUI)
  add_executable(shell_screenshots shell_screenshots.cpp)
  target_link_libraries(shell_screenshots PRIVATE qinglan_appui)
  target_compile_definitions(shell_screenshots PRIVATE QINGLAN_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  set_target_properties(shell_screenshots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QINGLAN_TEST_BIN_DIR})
  add_dependencies(shell_screenshots VELTO)
endif()
