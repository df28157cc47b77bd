# The log view's gutter width for long logs and how often it paints.
torvik_add_test(test_logview_frames
  ${CMAKE_CURRENT_LIST_DIR}/view_test_support.h
  ${CMAKE_CURRENT_LIST_DIR}/cell_glyphs_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_gutter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_paint_test.cpp
)
target_compile_definitions(test_logview_frames PRIVATE TORVIK_GUI_TESTS)
target_link_libraries(test_logview_frames PRIVATE torvik_logview Qt6::Test)
