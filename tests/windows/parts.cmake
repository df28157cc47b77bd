# The tests of the Windows parts: the guard, the loading of the vendor's
# library, the code page, and the installer.

# The guard's probe is linked statically, so that a copy in any folder runs.
add_executable(guard_probe_windows ${CMAKE_CURRENT_LIST_DIR}/guard_probe_windows.cpp
                                   ${PROJECT_SOURCE_DIR}/src/app/check_previous_windows.cpp)
target_include_directories(guard_probe_windows PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_options(guard_probe_windows PRIVATE -static)
torvik_windows_test(test_guard_windows ${CMAKE_CURRENT_LIST_DIR}/guard_windows_test.cpp)
target_compile_definitions(test_guard_windows PRIVATE GUARD_PROBE="Z:$<TARGET_FILE:guard_probe_windows>")
add_dependencies(test_guard_windows guard_probe_windows)

# The driver over the vendor's library, against two small libraries of ours.
add_library(d2xx_fixture_whole SHARED ${CMAKE_CURRENT_LIST_DIR}/d2xx_fixture_library.cpp)
add_library(d2xx_fixture_without_purge SHARED ${CMAKE_CURRENT_LIST_DIR}/d2xx_fixture_library.cpp)
target_compile_definitions(d2xx_fixture_without_purge PRIVATE FIXTURE_WITHOUT_PURGE)
foreach(fixture d2xx_fixture_whole d2xx_fixture_without_purge)
  target_link_options(${fixture} PRIVATE -static)
  set_target_properties(${fixture} PROPERTIES PREFIX "")
endforeach()
torvik_windows_test(test_d2xx_library ${CMAKE_CURRENT_LIST_DIR}/d2xx_library_driver_test.cpp)
target_compile_definitions(test_d2xx_library PRIVATE
  FIXTURE_WHOLE="$<TARGET_FILE:d2xx_fixture_whole>"
  FIXTURE_WITHOUT_PURGE="$<TARGET_FILE:d2xx_fixture_without_purge>")
add_dependencies(test_d2xx_library d2xx_fixture_whole d2xx_fixture_without_purge)

# The code page under the prefix's own locale, and under two others: Russian
# (single-byte 1251, used) and Japanese (932, which keeps Windows-1252).
torvik_windows_test(test_codepage_windows ${CMAKE_CURRENT_LIST_DIR}/codepage_windows_test.cpp)
add_test(NAME test_codepage_windows_1251 COMMAND test_codepage_windows)
set_tests_properties(test_codepage_windows_1251 PROPERTIES LABELS windows TIMEOUT 300
  ENVIRONMENT "LC_ALL=ru_RU.UTF-8;LANG=ru_RU.UTF-8;TORVIK_EXPECT_CODE_PAGE=1251")
add_test(NAME test_codepage_windows_932 COMMAND test_codepage_windows)
set_tests_properties(test_codepage_windows_932 PROPERTIES LABELS windows TIMEOUT 300
  ENVIRONMENT "LC_ALL=ja_JP.UTF-8;LANG=ja_JP.UTF-8;TORVIK_EXPECT_CODE_PAGE=1252")

# The installer: a silent install and uninstall under Wine leave nothing behind.
set(setup ${PROJECT_BINARY_DIR}/TorvikMaster-${PROJECT_VERSION}-setup.exe)
add_test(NAME installer COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installer_test.sh ${PROJECT_BINARY_DIR} ${setup})
set_tests_properties(installer PROPERTIES LABELS windows TIMEOUT 600)
add_dependencies(windows_tests windows_package)

# The tray's right and middle double-clicks from the shell's messages.
torvik_windows_test(test_tray_windows ${CMAKE_CURRENT_LIST_DIR}/tray_native_clicks_test.cpp GUI)

# Saving the log through the Windows writer.
torvik_windows_test(test_log_file_windows ${CMAKE_CURRENT_LIST_DIR}/log_file_writer_windows_test.cpp)

# The windows through the real platform plugin (under the private X server).
torvik_windows_test(test_windows_look ${CMAKE_CURRENT_LIST_DIR}/windows_look_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/native_window_probe.h ${CMAKE_CURRENT_LIST_DIR}/native_window_probe.cpp GUI
  ARGS -platform windows)
file(COPY ${TORVIK_QT_PLUGIN_DIR}/platforms/qwindows.dll DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/platforms)
