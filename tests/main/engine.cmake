torvik_add_test(test_engine
  ${CMAKE_CURRENT_LIST_DIR}/engine_watchdog_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_soak_test.cpp
)
