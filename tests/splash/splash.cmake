# The splash screen's course, layout and window.
# Test discovery runs the executable at build time, and a widget application
# needs a platform there too; the emulator is taken when the target is made.
set(CMAKE_CROSSCOMPILING_EMULATOR env QT_QPA_PLATFORM=offscreen)
torvik_add_test(test_splash ${CMAKE_CURRENT_LIST_DIR}/splash_test.cpp GUI)
unset(CMAKE_CROSSCOMPILING_EMULATOR)
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_splash PRIVATE Qt6::Test)
