torvik_add_test(test_engine
  ${CMAKE_CURRENT_LIST_DIR}/engine_watchdog_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_soak_test.cpp
)

# The engine against torvik-sim as a process, over the production driver.
torvik_add_test(test_engine_sim
  ${CMAKE_CURRENT_LIST_DIR}/engine_sim_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/sim/sim_process.h ${PROJECT_SOURCE_DIR}/tests/sim/sim_process.cpp
)
target_compile_definitions(test_engine_sim PRIVATE TORVIK_SIM_PATH="$<TARGET_FILE:torvik-sim>")
add_dependencies(test_engine_sim torvik-sim)
