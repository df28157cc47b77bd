target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/qt_tray_shell.h ${CMAKE_CURRENT_LIST_DIR}/qt_tray_shell.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_popup_menu.h ${CMAKE_CURRENT_LIST_DIR}/qt_popup_menu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tray_double_click.h ${CMAKE_CURRENT_LIST_DIR}/tray_double_click.cpp
)
if(WIN32)
  target_sources(torvik_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/tray_native_clicks.h
                 ${CMAKE_CURRENT_LIST_DIR}/tray_native_clicks_windows.cpp)
else()
  target_sources(torvik_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/tray_native_clicks.h
                 ${CMAKE_CURRENT_LIST_DIR}/tray_native_clicks_other.cpp)
endif()
