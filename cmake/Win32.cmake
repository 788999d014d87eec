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
# The common controls and COM serve only the window, which most runs never
# show; imported, Wine maps and relocates them (with uxtheme, combase and
# rpcrt4) at every start, some 1.8 MB of private memory. Delay-loaded, they
# come with the first Configure. Listed behind vorlix_win32 and before the
# system's import libraries, these stubs are the ones the linker takes.
if(MINGW)
  set(VORLIX_DELAYED_IMPORTS)
  foreach(dll comctl32 ole32)
    set(def ${PROJECT_SOURCE_DIR}/cmake/delayed/${dll}.def)
    set(lib ${PROJECT_BINARY_DIR}/delayed/lib${dll}_delayed.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/delayed
      COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll --output-delaylib ${lib}
      DEPENDS ${def} VERBATIM)
    list(APPEND VORLIX_DELAYED_IMPORTS ${lib})
  endforeach()
  add_custom_target(vorlix_delayed_imports DEPENDS ${VORLIX_DELAYED_IMPORTS})
  add_dependencies(vorlix vorlix_delayed_imports)
  target_link_libraries(vorlix PRIVATE ${VORLIX_DELAYED_IMPORTS})
endif()
if(MSVC)
  # vorlix.rc carries the manifest; the linker must not add a second one.
  target_link_options(vorlix PRIVATE /MANIFEST:NO)
endif()
if(MINGW)
  target_link_options(vorlix PRIVATE -municode)
endif()

add_subdirectory(bench)
