# The program's entry and its application object; the executable lands in the
# build folder's top as torvik-master.
target_sources(torvik_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/entry_application.h ${CMAKE_CURRENT_LIST_DIR}/entry_application.cpp
)
add_executable(torvik-master ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(torvik-master PRIVATE torvik_gui)
target_compile_definitions(torvik-master PRIVATE TORVIK_VERSION="${PROJECT_VERSION}")
set_target_properties(torvik-master PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
if(WIN32)
  # A desktop program: no console window comes up with it.
  set_target_properties(torvik-master PROPERTIES WIN32_EXECUTABLE ON)
endif()
