# The log view's gutter width for long logs, how often and what it paints, and
# where lines and columns land on the screen and the scroll bars.
torvik_add_test(test_logview_frames
  ${CMAKE_CURRENT_LIST_DIR}/view_test_support.h
  ${CMAKE_CURRENT_LIST_DIR}/cell_glyphs_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_gutter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_paint_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_composer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_geometry_test.cpp
)
target_compile_definitions(test_logview_frames PRIVATE TORVIK_GUI_TESTS)
target_link_libraries(test_logview_frames PRIVATE torvik_logview Qt6::Test)
