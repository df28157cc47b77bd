# torvik-sim as a process, driven through the Linux tty driver.
torvik_add_test(test_torvik_sim
  sim_process.h sim_process.cpp
  sim_link.h sim_link.cpp
  torvik_sim_test.cpp
)
target_link_libraries(test_torvik_sim PRIVATE torvik_sim_lib)
target_compile_definitions(test_torvik_sim PRIVATE TORVIK_SIM_PATH="$<TARGET_FILE:torvik-sim>")
add_dependencies(test_torvik_sim torvik-sim)
