# The tray and menu images and the application icon.
torvik_add_test(test_tray_images ${CMAKE_CURRENT_LIST_DIR}/images_test.cpp GUI)

# Not a test: writes every picture as PNG files to look at (render_artwork <folder>).
add_executable(render_artwork ${CMAKE_CURRENT_LIST_DIR}/render_artwork.cpp)
target_link_libraries(render_artwork PRIVATE torvik_gui)
