# The single-instance guard, driven through real processes of a small probe.
add_executable(guard_probe ${CMAKE_CURRENT_LIST_DIR}/guard_probe.cpp)
target_link_libraries(guard_probe PRIVATE torvik_core)

torvik_add_test(test_guard ${CMAKE_CURRENT_LIST_DIR}/check_previous_test.cpp)
target_compile_definitions(test_guard PRIVATE GUARD_PROBE="$<TARGET_FILE:guard_probe>")
add_dependencies(test_guard guard_probe)

torvik_add_test(test_guard_window ${CMAKE_CURRENT_LIST_DIR}/check_previous_window_test.cpp GUI)
