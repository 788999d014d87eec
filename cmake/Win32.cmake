# The Win32 bindings and the program itself.

add_library(vorlix_win32 STATIC
  src/platform/win32/check.cpp
  src/platform/win32/window_timer.cpp
  src/platform/win32/window.cpp
  src/platform/win32/message_loop.cpp
  src/platform/win32/child_controls.cpp
  src/platform/win32/form1.cpp
  src/platform/win32/form1_layout.cpp
  src/platform/win32/message_box_prompts.cpp
  src/platform/win32/tray_icon.cpp
  src/platform/win32/registry_deleter.cpp
  src/platform/win32/registry_keys.cpp
  src/platform/win32/registry_watcher.cpp
  src/platform/win32/registry_settings_store.cpp
)
target_link_libraries(vorlix_win32 PUBLIC vorlix_core vorlix_settings vorlix_ui vorlix_platform)
target_compile_definitions(vorlix_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(vorlix_win32 PUBLIC advapi32 user32 gdi32 shell32 comctl32)

# The icon and the manifest (DPI awareness, visual styles) as resources.
enable_language(RC)
set(VORLIX_RESOURCES ${PROJECT_SOURCE_DIR}/src/vorlix.rc)

add_executable(vorlix WIN32
  src/main.cpp
  ${VORLIX_RESOURCES}
)
target_link_libraries(vorlix PRIVATE vorlix_win32)
if(MSVC)
  # vorlix.rc carries the manifest; the linker must not add a second one.
  target_link_options(vorlix PRIVATE /MANIFEST:NO)
endif()
if(MINGW)
  target_link_options(vorlix PRIVATE -municode)
endif()

add_subdirectory(bench)
