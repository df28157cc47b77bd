# The log view's caret and selection rules and the file writer need no widgets
# and live in torvik_core. The view and its save dialog form their own small
# widget library, which torvik_gui carries, so the view builds and tests on its own.
target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/log_view_state.h ${CMAKE_CURRENT_LIST_DIR}/log_view_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_text_offsets.h ${CMAKE_CURRENT_LIST_DIR}/log_text_offsets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_text_window.h ${CMAKE_CURRENT_LIST_DIR}/log_text_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_file_writer.h
)
# Saving goes through the system's own file calls.
if(WIN32)
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/log_file_writer_windows.cpp)
else()
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/log_file_writer.cpp)
endif()
add_library(torvik_logview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/log_view_look.h ${CMAKE_CURRENT_LIST_DIR}/log_view_look.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cell_glyphs.h ${CMAKE_CURRENT_LIST_DIR}/cell_glyphs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_geometry.h ${CMAKE_CURRENT_LIST_DIR}/view_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_painter.h ${CMAKE_CURRENT_LIST_DIR}/log_view_painter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_composer.h ${CMAKE_CURRENT_LIST_DIR}/row_composer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_scroll_bar.h ${CMAKE_CURRENT_LIST_DIR}/quiet_scroll_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view.h ${CMAKE_CURRENT_LIST_DIR}/log_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_accessibility.h ${CMAKE_CURRENT_LIST_DIR}/log_view_accessibility.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_accessible.h ${CMAKE_CURRENT_LIST_DIR}/log_view_accessible.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save_text_file_dialog.h ${CMAKE_CURRENT_LIST_DIR}/save_text_file_dialog.cpp
)
target_link_libraries(torvik_logview PUBLIC torvik_core Qt6::Gui Qt6::Widgets)
# Screen readers on Linux reach the log over AT-SPI, through the accessibility bus.
if(NOT WIN32)
  target_sources(torvik_logview PRIVATE ${CMAKE_CURRENT_LIST_DIR}/log_view_accessible_atspi.cpp)
  target_link_libraries(torvik_logview PUBLIC Qt6::DBus)
endif()
target_link_libraries(torvik_gui PUBLIC torvik_logview)
