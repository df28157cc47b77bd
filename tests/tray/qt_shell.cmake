find_package(Qt6 REQUIRED COMPONENTS Test)
torvik_add_test(test_tray_qt_shell
  ${CMAKE_CURRENT_LIST_DIR}/qt_tray_shell_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_popup_menu_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tray_double_click_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/notifications_stand_in.h
  ${CMAKE_CURRENT_LIST_DIR}/private_bus.h
  GUI
)
target_link_libraries(test_tray_qt_shell PRIVATE Qt6::Test)
