# The Windows target: the installer itself, its resources, minizip, and the tests under Wine.
enable_language(RC)
# Optimised for size, every function and datum in a section of its own, so that the shipped
# programs' link drops what nothing calls (the 1 MB goal of the ship test). The hot paths are in
# zlib, which comes built.
string(APPEND CMAKE_CXX_FLAGS " -ffunction-sections -fdata-sections")
string(APPEND CMAKE_C_FLAGS " -ffunction-sections -fdata-sections")
string(REPLACE "-O2" "-Os" CMAKE_CXX_FLAGS_RELWITHDEBINFO "${CMAKE_CXX_FLAGS_RELWITHDEBINFO}")
string(REPLACE "-O2" "-Os" CMAKE_C_FLAGS_RELWITHDEBINFO "${CMAKE_C_FLAGS_RELWITHDEBINFO}")
set(QLN_WINE_SESSION "${CMAKE_BINARY_DIR}/../wine-session" CACHE PATH "Wine test session folder (tests/wine/session.sh)")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/tests/wine/wine-run.sh;${QLN_WINE_SESSION}")

# The plugin update server. A host:port other than 443 is plain HTTP: demos and tests use one
# on loopback.
set(QLN_UPDATE_HOST "update.quorlen.com" CACHE STRING "Host name (optionally :port) of the plugin update server")
set(QLN_DEMO_UPDATE_HOST "127.0.0.1:18480" CACHE STRING "Update server of the demo build (a loopback server)")

find_library(QLN_ZLIB NAMES libz.a z REQUIRED)

# minizip's unzip side, compiled from Debian's zlib source package (scripts/setup.sh).
add_library(minizip STATIC ${QLN_MINIZIP_DIR}/unzip.c ${QLN_MINIZIP_DIR}/ioapi.c)
target_include_directories(minizip SYSTEM PUBLIC ${QLN_MINIZIP_DIR})
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC ${QLN_ZLIB})

set(QLN_WIN_DEFS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
target_compile_definitions(qln_portable PUBLIC ${QLN_WIN_DEFS})

add_library(qln_win STATIC
  src/app/app_info.cpp
  src/app/startup.cpp
  src/app/main_form.cpp
  src/forms/engine/builder.cpp
  src/pages/utilities_page.cpp
  src/ui/version_lists.cpp
  src/ui/app_look.cpp
  src/pages/window_page.cpp
  src/discovery/discovery.cpp
  src/plugin/package_install.cpp
  src/plugin/package_reader.cpp
  src/plugin/install/install_fs.cpp
  src/plugin/install/private_folder.cpp
  src/plugin/install/work_area.cpp
  src/plugin/install/plan.cpp
  src/plugin/install/stage.cpp
  src/plugin/install/flusher.cpp
  src/plugin/install/moves.cpp
  src/plugin/install/recovery.cpp
  src/plugin/install/run_temp.cpp
  src/plugin/install/later_removal.cpp
  src/plugin/install/staged_install.cpp
  src/plugin/install/target_folders.cpp
  src/plugin/local_package.cpp
  src/plugin/install_hooks.cpp
  src/plugin/gui_crossing.cpp
  src/forms/layout/color.cpp
  src/forms/engine/control_object.cpp
  src/forms/controls/controls_lists.cpp
  src/forms/controls/controls_window.cpp
  src/forms/engine/form_engine.cpp
  src/forms/draw/canvas.cpp
  src/forms/draw/vector_draw.cpp
  src/forms/layout/placement.cpp
  src/forms/layout/layout.cpp
  src/forms/draw/resource_images.cpp
  src/forms/button_group/button_group.cpp
  src/forms/button_group/button_group_mouse.cpp
  src/forms/button_group/button_group_paint.cpp
  src/forms/layout/screen.cpp
  src/forms/controls/windowless.cpp
  src/forms/controls/windowless_paint.cpp
  src/plugin/http_downloader.cpp
  src/plugin/install_log.cpp
  src/plugin/package_fetch.cpp
  src/app/unattended.cpp
  src/app/dll_search.cpp
  src/plugin/install_record_store.cpp
  src/plugin/recorded_files.cpp
  src/plugin/verify_install.cpp
  src/plugin/uninstall.cpp
  src/plugin/record_actions.cpp
)
# WinInet (with the network and shell libraries it pulls in) and the file dialog are needed only
# once the user acts, yet loading them at the process's start costs the window's first frame: the
# functions the program calls from them are bound on their first call instead. GDI+ is bound the
# same way for another reason: it is no KnownDLL, so an import of it would be looked for beside
# the executable before the program's first line could limit the search (app/dll_search.cpp);
# the ship test keeps every such library out of the import table. Their delay-import
# libraries come first, so that they answer for these functions; the ordinary import libraries
# still answer for any function a .def here does not name.
set(QLN_DELAY_LIBS)
foreach(dll wininet comdlg32 gdiplus)
  set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def -y ${lib} -D ${dll}.dll
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/delay/${dll}.def
    COMMENT "Delay-import library of ${dll}.dll")
  list(APPEND QLN_DELAY_LIBS ${lib})
endforeach()
# GDI+ is bound late in the shipped programs only: the test programs draw with it themselves,
# and there an import of it at start costs nothing.
list(POP_BACK QLN_DELAY_LIBS QLN_GDIPLUS_DELAY_LIB)
add_custom_target(qln_delay_libs DEPENDS ${QLN_DELAY_LIBS} ${QLN_GDIPLUS_DELAY_LIB})
target_link_libraries(qln_win PUBLIC qln_portable minizip ${QLN_DELAY_LIBS}
  comdlg32 comctl32 gdiplus wininet advapi32 shell32 ole32 gdi32 user32 kernel32)
add_dependencies(qln_win qln_delay_libs)

# Icons are rendered from our own geometry at build time.
set(QLN_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(QLN_ICONS ${QLN_ICON_DIR}/appicon.ico ${QLN_ICON_DIR}/sketchup.ico ${QLN_ICON_DIR}/help.ico)
list(APPEND QLN_ICONS ${QLN_ICON_DIR}/mark.png)
add_custom_command(OUTPUT ${QLN_ICONS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QLN_ICON_DIR}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/src/resources/make_icons.py ${QLN_ICON_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/make_icons.py
  COMMENT "Drawing the icon groups")
set_source_files_properties(src/resources/app.rc PROPERTIES
  OBJECT_DEPENDS "${QLN_ICONS};${CMAKE_SOURCE_DIR}/src/resources/app.manifest;${CMAKE_SOURCE_DIR}/src/app/app_constants.h")

# The plugin page is compiled once per update server: the product's, and the demo's on loopback.
function(qln_installer target host)
  add_executable(${target} WIN32 src/app/main.cpp src/plugin/plugin_page.cpp src/resources/app.rc)
  target_compile_definitions(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:QLN_UPDATE_HOST=L\"${host}\">")
  target_include_directories(${target} PRIVATE ${QLN_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources)
  target_link_libraries(${target} PRIVATE qln_win ${QLN_GDIPLUS_DELAY_LIB})
  target_link_options(${target} PRIVATE -municode -Wl,--gc-sections)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
qln_installer(QuorlenInstaller "${QLN_UPDATE_HOST}")
qln_installer(QuorlenInstallerDemo "${QLN_DEMO_UPDATE_HOST}")

include(${CMAKE_SOURCE_DIR}/tests/win/tests.cmake)

# Download benchmark (not a test): bench/run_download_bench.sh runs it against the loopback server.
add_executable(download_bench bench/download_bench.cpp)
target_link_libraries(download_bench PRIVATE qln_win psapi)

# Extraction benchmark (not a test): bench/run_extract_bench.sh times ExtractArchive against
# minizip's own example extractor, built here from the same minizip sources.
add_executable(miniunz ${QLN_MINIZIP_DIR}/miniunz.c)
target_include_directories(miniunz PRIVATE ${CMAKE_SOURCE_DIR}/bench/miniunz_compat)
target_compile_options(miniunz PRIVATE -w)
target_link_libraries(miniunz PRIVATE minizip)
add_executable(extract_bench bench/extract_bench.cpp)
target_link_libraries(extract_bench PRIVATE qln_win)

# The demo's package: our own sample plugin, served by the demo's loopback update server.
set(QLN_DEMO_PACKAGE ${CMAKE_BINARY_DIR}/demo/www/update/qln_plugin.rbz)
file(GLOB_RECURSE QLN_DEMO_PLUGIN_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/plugin/*)
add_custom_command(OUTPUT ${QLN_DEMO_PACKAGE}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/make_package.py ${CMAKE_SOURCE_DIR}/demo/plugin ${QLN_DEMO_PACKAGE}
  DEPENDS ${QLN_DEMO_PLUGIN_FILES} ${CMAKE_SOURCE_DIR}/tests/tools/make_package.py
  COMMENT "Packing the demo plugin")
add_custom_target(demo_package ALL DEPENDS ${QLN_DEMO_PACKAGE})
# Walks the demo by itself when scripts/run.sh has no display.
add_executable(demo_driver tests/tools/demo_driver.cpp)
target_compile_definitions(demo_driver PRIVATE ${QLN_WIN_DEFS})
target_include_directories(demo_driver PRIVATE ${CMAKE_SOURCE_DIR}/tests/win)
target_link_options(demo_driver PRIVATE -municode)
include(${CMAKE_SOURCE_DIR}/cmake/ship.cmake)
include(${CMAKE_SOURCE_DIR}/bench/startup.cmake)

# Unattended against page installation (not a test): bench/run_deploy_bench.sh.
add_executable(deploy_bench bench/deploy_bench.cpp)
target_link_options(deploy_bench PRIVATE -municode)
