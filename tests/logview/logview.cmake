find_package(Qt6 REQUIRED COMPONENTS Test)
torvik_add_test(test_logview_model
  ${CMAKE_CURRENT_LIST_DIR}/log_file_writer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_state_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_text_offsets_test.cpp
)
target_link_libraries(test_logview_model PRIVATE Qt6::Test)

# Widget tests link only the log view's own widget library.
torvik_add_test(test_logview_widget
  ${CMAKE_CURRENT_LIST_DIR}/view_test_support.h
  ${CMAKE_CURRENT_LIST_DIR}/log_view_look_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_accessible_test.cpp
)
target_compile_definitions(test_logview_widget PRIVATE TORVIK_GUI_TESTS)
target_link_libraries(test_logview_widget PRIVATE torvik_logview Qt6::Test)
