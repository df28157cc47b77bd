# The find bar beside the log view: the field, the toggles and the results list.
target_sources(torvik_logview PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/find/find_bar.h ${CMAKE_CURRENT_LIST_DIR}/find/find_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/find/find_results_model.h ${CMAKE_CURRENT_LIST_DIR}/find/find_results_model.cpp
)
