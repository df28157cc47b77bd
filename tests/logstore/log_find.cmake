# Finding text in the log: plain, case and expressions over chunks, live lines,
# cancelling, Clear and the trimming of a save while a search runs.
torvik_add_test(test_log_find ${CMAKE_CURRENT_LIST_DIR}/log_find_test.cpp)
target_link_libraries(test_log_find PRIVATE Qt6::Test)
