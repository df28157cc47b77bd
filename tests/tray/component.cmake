torvik_add_test(test_tray_icon
  ${CMAKE_CURRENT_LIST_DIR}/tray_icon_test.cpp
)
