find_package(Qt6 REQUIRED COMPONENTS Test)
torvik_add_test(test_logview_model
  ${CMAKE_CURRENT_LIST_DIR}/log_model_test.cpp
)
target_link_libraries(test_logview_model PRIVATE Qt6::Test)
