# Where the icon lives and how notices reach the user. On Linux: the two kinds
# of notification area, the desktop notifications and the balloon of our own;
# the host probes read the session bus and the X server. On Windows: the
# shell's notification area and its balloons, both through Qt.
target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/tray_host.h ${CMAKE_CURRENT_LIST_DIR}/tray_host.cpp
)
target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/desktop_tray.h
  ${CMAKE_CURRENT_LIST_DIR}/notice_channel.h
  ${CMAKE_CURRENT_LIST_DIR}/balloon_window.h ${CMAKE_CURRENT_LIST_DIR}/balloon_window.cpp
)
if(WIN32)
  target_sources(torvik_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/desktop_tray_windows.cpp)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET GLOBAL xcb)
  target_sources(torvik_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/tray_host_probes.h ${CMAKE_CURRENT_LIST_DIR}/tray_host_probes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/desktop_notices.h ${CMAKE_CURRENT_LIST_DIR}/desktop_notices.cpp
  )
  target_link_libraries(torvik_gui PUBLIC Qt6::DBus PkgConfig::XCB)
endif()
