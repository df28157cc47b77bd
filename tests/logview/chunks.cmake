# The log's sealed chunks: the decoder on its own, the cache, and the model
# across chunk boundaries.
torvik_add_test(test_logview_chunks
  ${CMAKE_CURRENT_LIST_DIR}/line_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sealed_chunk_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_model_chunks_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_model_copy_test.cpp
)
target_link_libraries(test_logview_chunks PRIVATE Qt6::Test)
