target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/link_tokens.h ${CMAKE_CURRENT_LIST_DIR}/link_tokens.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tf_main.h ${CMAKE_CURRENT_LIST_DIR}/tf_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tf_main_reader.cpp
)
