# Start-up benchmark (not a test): bench/run_startup_bench.sh times the installer against a bare
# window program that carries the same manifest, both started by startup_bench.
add_executable(bare_window WIN32 bench/bare_window.cpp bench/bare_window.rc)
target_include_directories(bare_window PRIVATE ${CMAKE_SOURCE_DIR}/src/resources ${CMAKE_SOURCE_DIR}/src)
set_source_files_properties(bench/bare_window.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/app.manifest)
target_compile_definitions(bare_window PRIVATE ${QLN_WIN_DEFS})
target_link_options(bare_window PRIVATE -municode)
# The installer's first view built by hand in plain Win32, with the installer's resources.
add_executable(hand_built_window WIN32 bench/hand_built_window.cpp src/resources/app.rc)
target_include_directories(hand_built_window PRIVATE ${QLN_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(hand_built_window PRIVATE ${QLN_WIN_DEFS})
target_link_libraries(hand_built_window PRIVATE comctl32)
target_link_options(hand_built_window PRIVATE -municode)
add_executable(startup_bench bench/startup_bench.cpp)
target_compile_definitions(startup_bench PRIVATE ${QLN_WIN_DEFS})
target_link_options(startup_bench PRIVATE -municode)

# The installer instrumented with start-up timing marks (src/app/startup_trace.h), built only on
# request: run_startup_bench.sh --trace prints where the start-up time goes.
get_target_property(QLN_WIN_SOURCES qln_win SOURCES)
add_executable(QuorlenInstallerTrace WIN32 EXCLUDE_FROM_ALL src/app/main.cpp src/plugin/plugin_page.cpp
  src/resources/app.rc src/app/startup_trace.cpp ${QLN_WIN_SOURCES})
target_compile_definitions(QuorlenInstallerTrace PRIVATE QLN_STARTUP_TRACE
  "$<$<COMPILE_LANGUAGE:CXX>:QLN_UPDATE_HOST=L\"${QLN_UPDATE_HOST}\">")
target_include_directories(QuorlenInstallerTrace PRIVATE ${QLN_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources)
get_target_property(QLN_WIN_LIBS qln_win LINK_LIBRARIES)
target_link_libraries(QuorlenInstallerTrace PRIVATE ${QLN_WIN_LIBS})
target_link_options(QuorlenInstallerTrace PRIVATE -municode)
# The bare window with the same marks, to compare its start with the installer's.
add_executable(bare_window_trace WIN32 EXCLUDE_FROM_ALL bench/bare_window.cpp bench/bare_window.rc src/app/startup_trace.cpp)
target_include_directories(bare_window_trace PRIVATE ${CMAKE_SOURCE_DIR}/src/resources ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(bare_window_trace PRIVATE ${QLN_WIN_DEFS} QLN_STARTUP_TRACE)
target_link_options(bare_window_trace PRIVATE -municode)
add_executable(hand_built_window_trace WIN32 EXCLUDE_FROM_ALL bench/hand_built_window.cpp src/resources/app.rc
  src/app/startup_trace.cpp)
target_include_directories(hand_built_window_trace PRIVATE ${QLN_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources
  ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(hand_built_window_trace PRIVATE ${QLN_WIN_DEFS} QLN_STARTUP_TRACE)
target_link_libraries(hand_built_window_trace PRIVATE comctl32)
target_link_options(hand_built_window_trace PRIVATE -municode)
