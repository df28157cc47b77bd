# The program's application object (the entry itself comes with the program's images).
target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/entry_application.h ${CMAKE_CURRENT_LIST_DIR}/entry_application.cpp
)
