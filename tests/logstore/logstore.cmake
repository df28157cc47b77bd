find_package(Qt6 REQUIRED COMPONENTS Test)
# The log store: the chunk codec on its own, the cache, the conversion of stored
# lines, and the model across chunk boundaries, pieces and failing memory.
torvik_add_test(test_logstore
  ${CMAKE_CURRENT_LIST_DIR}/lines_to_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chunk_codec_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_model_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_model_chunks_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_model_copy_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/long_line_test.cpp
)
target_link_libraries(test_logstore PRIVATE Qt6::Test)
