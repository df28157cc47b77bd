target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/byte_chunks.h ${CMAKE_CURRENT_LIST_DIR}/byte_chunks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_model.h ${CMAKE_CURRENT_LIST_DIR}/log_model.cpp
)
