target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ui_call_queue.h ${CMAKE_CURRENT_LIST_DIR}/ui_call_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thread_priority.h ${CMAKE_CURRENT_LIST_DIR}/thread_priority_nice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_thread.h ${CMAKE_CURRENT_LIST_DIR}/worker_thread.cpp
)
if(WIN32)
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/thread_priority_windows.cpp)
else()
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/thread_priority.cpp)
endif()
