# The log model and file writer need no widgets and live in torvik_core. The view
# and its save dialog form their own small widget library, which torvik_gui
# carries, so the view builds and tests on its own.
target_sources(torvik_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sealed_chunk.h ${CMAKE_CURRENT_LIST_DIR}/sealed_chunk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chunk_cache.h ${CMAKE_CURRENT_LIST_DIR}/chunk_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_text.h ${CMAKE_CURRENT_LIST_DIR}/line_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fresh_memory.h
  ${CMAKE_CURRENT_LIST_DIR}/log_model.h ${CMAKE_CURRENT_LIST_DIR}/log_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_state.h ${CMAKE_CURRENT_LIST_DIR}/log_view_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_file_writer.h
)
# Saving goes through the system's own file calls.
if(WIN32)
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/log_file_writer_windows.cpp)
else()
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/log_file_writer.cpp)
endif()
# Memory hints are the one piece of the log store that depends on the system.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/fresh_memory_linux.cpp)
else()
  target_sources(torvik_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/fresh_memory_other.cpp)
endif()
add_library(torvik_logview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/log_view_look.h ${CMAKE_CURRENT_LIST_DIR}/log_view_look.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cell_glyphs.h ${CMAKE_CURRENT_LIST_DIR}/cell_glyphs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_painter.h ${CMAKE_CURRENT_LIST_DIR}/log_view_painter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_scroll_bar.h ${CMAKE_CURRENT_LIST_DIR}/quiet_scroll_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view.h ${CMAKE_CURRENT_LIST_DIR}/log_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_view_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save_text_file_dialog.h ${CMAKE_CURRENT_LIST_DIR}/save_text_file_dialog.cpp
)
target_link_libraries(torvik_logview PUBLIC torvik_core Qt6::Gui Qt6::Widgets)
target_link_libraries(torvik_gui PUBLIC torvik_logview)
# Sealed chunks of the log are compressed with zstd.
if(WIN32)
  find_package(zstd CONFIG REQUIRED GLOBAL)
  target_link_libraries(torvik_core PRIVATE zstd::libzstd_shared)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ZSTD REQUIRED IMPORTED_TARGET GLOBAL libzstd)
  target_link_libraries(torvik_core PRIVATE PkgConfig::ZSTD)
endif()
