# The tray's state images, the menu images and the application icon, drawn in code.
target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/tray_images.h
  ${CMAKE_CURRENT_LIST_DIR}/tray_images.cpp
  ${CMAKE_CURRENT_LIST_DIR}/images/drawing.h
  ${CMAKE_CURRENT_LIST_DIR}/images/drawing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/images/state_images.cpp
  ${CMAKE_CURRENT_LIST_DIR}/images/menu_images.cpp
)
