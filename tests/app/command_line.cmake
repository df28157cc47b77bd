# The command line: parsed in-process, and the real program asked without a display.
torvik_add_test(test_command_line ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp)

add_test(NAME app_options_without_display
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/options_without_display_test.sh $<TARGET_FILE:torvik-master>)
