target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/main_window.h ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window_status_bar.h ${CMAKE_CURRENT_LIST_DIR}/main_window_status_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_visibility.h ${CMAKE_CURRENT_LIST_DIR}/window_visibility.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_placement.h ${CMAKE_CURRENT_LIST_DIR}/window_placement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_extents.h
)
if(WIN32)
  # Windows knows a created window's frame before it is shown.
  target_sources(torvik_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/frame_extents_windows.cpp)
else()
  # The window manager's frame extents are read over the X connection.
  target_sources(torvik_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/frame_extents_x11.cpp)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(TORVIK_XCB REQUIRED IMPORTED_TARGET GLOBAL xcb)
  target_link_libraries(torvik_gui PRIVATE PkgConfig::TORVIK_XCB)
endif()
