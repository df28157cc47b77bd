# Desktop notifications against a stand-in daemon on a private session bus.
find_package(Qt6 REQUIRED COMPONENTS Test)
torvik_add_test(test_tray_desktop_notices
  ${CMAKE_CURRENT_LIST_DIR}/desktop_notices_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/notifications_stand_in.h
  ${CMAKE_CURRENT_LIST_DIR}/private_bus.h
  GUI
)
target_link_libraries(test_tray_desktop_notices PRIVATE Qt6::Test)
