# The Win32 bindings, in a base part and a window part, and the programs.

# Every Windows executable below (the program, its tests, benchmarks and
# helpers) links with these.
if(MSVC)
  # The DLLs an executable imports are looked up in System32 alone, never
  # beside the exe; wWinMain does the same for what is loaded later.
  add_link_options(/DEPENDENTLOADFLAG:0x800)
  # vorlix.rc carries the manifest: the linker must not add a second one.
  add_link_options(/MANIFEST:NO)
endif()

# The base: errors, handles and the registry (deletion, watch, links, the
# settings store). No window: the service links this part alone.
add_library(vorlix_win32_base STATIC
  src/platform/win32/archive_file.cpp
  src/platform/win32/kept_copy_restore.cpp
  src/platform/win32/check.cpp
  src/platform/win32/registry_deleter.cpp
  src/platform/win32/registry_keys.cpp
  src/platform/win32/registry_links.cpp
  src/platform/win32/registry_watcher.cpp
  src/platform/win32/registry_settings_store.cpp
  src/platform/win32/sid_text.cpp
)
target_link_libraries(vorlix_win32_base PUBLIC vorlix_core vorlix_settings)
target_compile_definitions(vorlix_win32_base PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
# ntdll, in every process anyway, for deleting a registry key by its handle.
target_link_libraries(vorlix_win32_base PUBLIC advapi32 ntdll)

# The window part: Form1 and its controls, the message loop, the tray icon,
# the timer, the prompts and the one-copy claim.
add_library(vorlix_win32_window STATIC
  src/platform/win32/window_timer.cpp
  src/platform/win32/window.cpp
  src/platform/win32/message_loop.cpp
  src/platform/win32/child_controls.cpp
  src/platform/win32/form1.cpp
  src/platform/win32/form1_layout.cpp
  src/platform/win32/form1_assist.cpp
  src/platform/win32/rule_tooltip.cpp
  src/platform/win32/accessible_names.cpp
  src/platform/win32/message_box_prompts.cpp
  src/platform/win32/shell_tray_icon.cpp
  src/platform/win32/only_copy.cpp
  src/platform/win32/install_mark.cpp
  src/platform/win32/deleted_entries_dialog.cpp
)
target_link_libraries(vorlix_win32_window PUBLIC vorlix_win32_base vorlix_ui)
# ole32 for the accessibility property service, which is a COM object.
target_link_libraries(vorlix_win32_window PUBLIC user32 gdi32 shell32 comctl32 comdlg32 ole32 uuid)
if(MSVC)
  # Where the SDK's oleacc.h only declares the service's class and
  # interface ids, its library defines them; where initguid.h has defined
  # them already, nothing is taken from it.
  target_link_libraries(vorlix_win32_window PUBLIC oleacc)
endif()

# The version of project() for the resource compiler: missing parts are 0.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(VORLIX_VERSION_${part} 0)
  if(NOT PROJECT_VERSION_${part} STREQUAL "")
    set(VORLIX_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/src/version.h.in
               ${PROJECT_BINARY_DIR}/generated/vorlix_version.h @ONLY)
target_include_directories(vorlix_win32_base PUBLIC ${PROJECT_BINARY_DIR}/generated)

# The icon, the manifest (DPI awareness, visual styles) and the version
# information as resources.
enable_language(RC)
set(VORLIX_RESOURCES ${PROJECT_SOURCE_DIR}/src/vorlix.rc)

add_executable(vorlix WIN32
  src/main.cpp
  ${VORLIX_RESOURCES}
)
target_link_libraries(vorlix PRIVATE vorlix_win32_window)
# The common controls and COM serve only the window, which most runs never
# show; imported, Wine maps and relocates them (with uxtheme, combase and
# rpcrt4) at every start, some 1.8 MB of private memory. Delay-loaded, they
# come with the first Configure. Listed behind vorlix_win32_window and before the
# system's import libraries, these stubs are the ones the linker takes.
if(MINGW)
  set(VORLIX_DELAYED_IMPORTS)
  foreach(dll comctl32 comdlg32 ole32)
    set(def ${PROJECT_SOURCE_DIR}/cmake/delayed/${dll}.def)
    set(lib ${PROJECT_BINARY_DIR}/delayed/lib${dll}_delayed.a)
    # dlltool names the stubs' symbols after the path it is given: a
    # relative one keeps the build folder out of the exe.
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/delayed)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
              --output-delaylib lib${dll}_delayed.a
      WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/delayed
      DEPENDS ${def} VERBATIM)
    list(APPEND VORLIX_DELAYED_IMPORTS ${lib})
  endforeach()
  add_custom_target(vorlix_delayed_imports DEPENDS ${VORLIX_DELAYED_IMPORTS})
  add_dependencies(vorlix vorlix_delayed_imports)
  target_link_libraries(vorlix PRIVATE ${VORLIX_DELAYED_IMPORTS})
endif()
if(MSVC)
  target_link_options(vorlix PRIVATE /DELAYLOAD:comctl32.dll /DELAYLOAD:comdlg32.dll /DELAYLOAD:ole32.dll)
  target_link_libraries(vorlix PRIVATE delayimp)
endif()
if(MINGW)
  # No link time in the PE header: two builds of one commit give the same file.
  target_link_options(vorlix PRIVATE -municode -Wl,--no-insert-timestamp)
endif()

# vorlix-service.exe, "Vorlix machine rules": the machine-wide rules as a
# service, with the event message table compiled by the message compiler.
# mingw's windmc and Microsoft's mc take the same arguments; mc stands
# beside the SDK's resource compiler, which need not be on the PATH.
get_filename_component(VORLIX_RC_DIR "${CMAKE_RC_COMPILER}" DIRECTORY)
find_program(VORLIX_WINDMC NAMES x86_64-w64-mingw32-windmc windmc mc HINTS "${VORLIX_RC_DIR}" REQUIRED)
set(VORLIX_MESSAGES_DIR ${PROJECT_BINARY_DIR}/generated/service)
add_custom_command(
  OUTPUT ${VORLIX_MESSAGES_DIR}/service_events.rc ${VORLIX_MESSAGES_DIR}/service_events.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORLIX_MESSAGES_DIR}
  COMMAND ${VORLIX_WINDMC} -h ${VORLIX_MESSAGES_DIR} -r ${VORLIX_MESSAGES_DIR}
          ${PROJECT_SOURCE_DIR}/src/service/service_events.mc
  DEPENDS ${PROJECT_SOURCE_DIR}/src/service/service_events.mc
  VERBATIM)
# A console program: "vorlix-service.exe export FILE" is run from a prompt,
# which waits for it; the service control manager gives it no console.
add_executable(vorlix_service
  src/service_main.cpp
  src/platform/win32/service/archive_export.cpp
  src/platform/win32/service/service_run.cpp
  src/platform/win32/service/store_security.cpp
  src/platform/win32/service/privileges.cpp
  src/platform/win32/service/windows_event_log.cpp
  src/service/vorlix-service.rc
  ${VORLIX_MESSAGES_DIR}/service_events.rc
)
set_target_properties(vorlix_service PROPERTIES OUTPUT_NAME vorlix-service)
target_include_directories(vorlix_service PRIVATE ${VORLIX_MESSAGES_DIR})
target_link_libraries(vorlix_service PRIVATE vorlix_service_core vorlix_win32_base)
if(MINGW)
  target_link_options(vorlix_service PRIVATE -municode -Wl,--no-insert-timestamp)
endif()

add_subdirectory(bench)
