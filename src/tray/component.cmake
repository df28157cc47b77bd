target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/notify_record.h
  ${CMAKE_CURRENT_LIST_DIR}/tray_shell.h
  ${CMAKE_CURRENT_LIST_DIR}/tray_icon.h ${CMAKE_CURRENT_LIST_DIR}/tray_icon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording_tray_shell.h
)
