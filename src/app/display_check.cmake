# The one-line message and exit status 1 when no display can be opened.
target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/display_check.h ${CMAKE_CURRENT_LIST_DIR}/display_check.cpp)
