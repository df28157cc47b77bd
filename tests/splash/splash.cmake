# The splash screen's course, layout and window.
torvik_add_test(test_splash ${CMAKE_CURRENT_LIST_DIR}/splash_test.cpp GUI)
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_splash PRIVATE Qt6::Test)
