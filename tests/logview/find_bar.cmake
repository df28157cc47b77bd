# The find bar: opening and closing, the list as typed, live lines, copying and
# going to a match in the log.
torvik_add_test(test_find_bar ${CMAKE_CURRENT_LIST_DIR}/find_bar_test.cpp)
target_compile_definitions(test_find_bar PRIVATE TORVIK_GUI_TESTS)
target_link_libraries(test_find_bar PRIVATE torvik_logview Qt6::Test)
