# The Win32 bindings and the program itself.

add_library(vorlix_win32 STATIC
  src/platform/win32/check.cpp
  src/platform/win32/window_timer.cpp
  src/platform/win32/window.cpp
  src/platform/win32/message_loop.cpp
  src/platform/win32/child_controls.cpp
  src/platform/win32/form1.cpp
  src/platform/win32/form1_layout.cpp
  src/platform/win32/form1_assist.cpp
  src/platform/win32/rule_tips.cpp
  src/platform/win32/accessible_names.cpp
  src/platform/win32/message_box_prompts.cpp
  src/platform/win32/tray_icon.cpp
  src/platform/win32/registry_deleter.cpp
  src/platform/win32/registry_keys.cpp
  src/platform/win32/registry_watcher.cpp
  src/platform/win32/registry_settings_store.cpp
)
target_link_libraries(vorlix_win32 PUBLIC vorlix_core vorlix_settings vorlix_ui)
target_compile_definitions(vorlix_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
# ole32 for the accessibility property service, which is a COM object.
target_link_libraries(vorlix_win32 PUBLIC advapi32 user32 gdi32 shell32 comctl32 ole32 uuid)

# The version of project() for the resource compiler: missing parts are 0.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(VORLIX_VERSION_${part} 0)
  if(NOT PROJECT_VERSION_${part} STREQUAL "")
    set(VORLIX_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/src/version.h.in
               ${PROJECT_BINARY_DIR}/generated/vorlix_version.h @ONLY)
target_include_directories(vorlix_win32 PUBLIC ${PROJECT_BINARY_DIR}/generated)

# The icon, the manifest (DPI awareness, visual styles) and the version
# information as resources.
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
  # No link time in the PE header: two builds of one commit give the same file.
  target_link_options(vorlix PRIVATE -municode -Wl,--no-insert-timestamp)
endif()

add_subdirectory(bench)
