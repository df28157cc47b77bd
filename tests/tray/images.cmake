# The tray and menu images and the application icon.
# Test discovery runs the executable at build time, and a widget application
# needs a platform there too; the emulator is taken when the target is made.
set(CMAKE_CROSSCOMPILING_EMULATOR env QT_QPA_PLATFORM=offscreen)
torvik_add_test(test_tray_images ${CMAKE_CURRENT_LIST_DIR}/images_test.cpp GUI)
unset(CMAKE_CROSSCOMPILING_EMULATOR)

# Not a test: writes every picture as PNG files to look at (render_artwork <folder>).
add_executable(render_artwork ${CMAKE_CURRENT_LIST_DIR}/render_artwork.cpp)
target_link_libraries(render_artwork PRIVATE torvik_gui)
