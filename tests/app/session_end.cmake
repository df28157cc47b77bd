# The end signals, and SIGPIPE ignored, in-process and in a death test.
find_package(Qt6 REQUIRED COMPONENTS Test)
torvik_add_test(test_session_end ${CMAKE_CURRENT_LIST_DIR}/session_end_test.cpp)
target_link_libraries(test_session_end PRIVATE Qt6::Test)
