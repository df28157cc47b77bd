# The signals that end the program as "Exit" does, and SIGPIPE ignored.
target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/session_end.h)
if(UNIX)
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/session_end_posix.cpp)
else()
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/session_end_other.cpp)
endif()
