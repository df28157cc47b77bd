# The splash screen: its picture, its course in time and its window.
target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/splash_fade.h
  ${CMAKE_CURRENT_LIST_DIR}/splash_fade.cpp
  ${CMAKE_CURRENT_LIST_DIR}/splash_layout.h
  ${CMAKE_CURRENT_LIST_DIR}/splash_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/splash_picture.h
  ${CMAKE_CURRENT_LIST_DIR}/splash_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/splash_screen.h
  ${CMAKE_CURRENT_LIST_DIR}/splash_screen.cpp
)
if(WIN32)
  target_sources(torvik_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/splash_native.h
                 ${CMAKE_CURRENT_LIST_DIR}/splash_native_windows.cpp)
else()
  target_sources(torvik_gui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/splash_native.h
                 ${CMAKE_CURRENT_LIST_DIR}/splash_native_other.cpp)
endif()
