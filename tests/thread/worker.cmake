torvik_add_test(test_worker_thread
  ${CMAKE_CURRENT_LIST_DIR}/worker_thread_test.cpp
)
