# Start-up benchmark (not a test): bench/run_startup_bench.sh times the installer against two
# yardsticks, all started by startup_bench: a bare window program that carries the same manifest,
# and the installer's first view built by hand in plain Win32 with the installer's resources.
# Each yardstick also comes instrumented with start-up marks (<name>_trace, built on request).
set_source_files_properties(bench/bare_window.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/app.manifest)
function(qln_yardstick name)
  foreach(variant "" _trace)
    set(target ${name}${variant})
    if(variant)
      add_executable(${target} WIN32 EXCLUDE_FROM_ALL ${ARGN} src/app/startup_trace.cpp)
      target_compile_definitions(${target} PRIVATE QLN_STARTUP_TRACE)
    else()
      add_executable(${target} WIN32 ${ARGN})
    endif()
    target_include_directories(${target} PRIVATE ${QLN_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources ${CMAKE_SOURCE_DIR}/src)
    target_compile_definitions(${target} PRIVATE ${QLN_WIN_DEFS})
    target_link_libraries(${target} PRIVATE comctl32)
    target_link_options(${target} PRIVATE -municode)
  endforeach()
endfunction()
qln_yardstick(bare_window bench/bare_window.cpp bench/bare_window.rc)
qln_yardstick(hand_built_window bench/hand_built_window.cpp src/resources/app.rc)
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
