# Tests of the application shell: history log, skin library, about window, commands, creation.
qinglan_test(history_test SOURCES history_test.cpp LIBS qinglan_appcore)
qinglan_test(shell_core_test SOURCES shell_core_test.cpp LIBS qinglan_appcore)
