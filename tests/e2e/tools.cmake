# torvik-xspy: a small X client that the end-to-end tests use to watch what
# the X server receives (window opacity steps, maps and unmaps).
find_package(PkgConfig REQUIRED)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
add_executable(torvik-xspy ${CMAKE_CURRENT_LIST_DIR}/tools/xspy.cpp)
target_link_libraries(torvik-xspy PRIVATE PkgConfig::XCB)
set_target_properties(torvik-xspy PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
