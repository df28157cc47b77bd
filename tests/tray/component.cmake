torvik_add_test(test_tray_icon
  ${CMAKE_CURRENT_LIST_DIR}/tray_icon_test.cpp
)
torvik_add_test(test_tray_host ${CMAKE_CURRENT_LIST_DIR}/tray_host_test.cpp)
