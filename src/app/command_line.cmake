# The command line, read before the application object exists.
target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/command_line.h ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp)
