# The single-instance guard: the record logic and its platform object in the
# core, the window side in the GUI library.
target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/check_previous.h
  ${CMAKE_CURRENT_LIST_DIR}/check_previous_object.h
  ${CMAKE_CURRENT_LIST_DIR}/check_previous_listener.h
)
if(WIN32)
  # A named paging-file object; the second copy raises the first one's window itself.
  target_sources(torvik_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/check_previous_windows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/check_previous_listener_windows.cpp
  )
else()
  target_sources(torvik_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/check_previous.cpp
    ${CMAKE_CURRENT_LIST_DIR}/check_previous_posix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/check_previous_listener.cpp
  )
endif()
target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/check_previous_window.h
  ${CMAKE_CURRENT_LIST_DIR}/check_previous_window.cpp
)
