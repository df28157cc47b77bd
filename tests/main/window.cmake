find_package(Qt6 REQUIRED COMPONENTS Test)
torvik_add_test(test_main_window
  ${CMAKE_CURRENT_LIST_DIR}/window_fixture.h
  ${CMAKE_CURRENT_LIST_DIR}/window_layout_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_behaviour_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_application_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_visibility_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_placement_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_find_test.cpp
  GUI
)
target_link_libraries(test_main_window PRIVATE Qt6::Test)
