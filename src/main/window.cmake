target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/main_window.h ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_status_bar.h ${CMAKE_CURRENT_LIST_DIR}/main_window_status_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_visibility.h ${CMAKE_CURRENT_LIST_DIR}/window_visibility.cpp
)
