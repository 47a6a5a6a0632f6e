# The executables we ship carry no debug information: after each link it moves into
# <exe>.debug beside the executable, which keeps a .gnu_debuglink (name and CRC) to it, so that a
# debugger next to the pair finds the symbols (gdb does). tests/tools/check_split_debug.py checks
# the pair and the size.
function(qln_split_debug target)
  set(exe $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${exe} ${exe}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${exe}.debug ${exe}
    COMMENT "Moving the debug information of ${target} into ${target}.exe.debug"
    VERBATIM)
  add_test(NAME ship.${target}_split_debug
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/check_split_debug.py ${exe})
endfunction()
qln_split_debug(QuorlenInstaller)
qln_split_debug(QuorlenInstallerDemo)

# What cmake/windows.cmake binds on first call stays out of the start of the shipped programs.
foreach(target QuorlenInstaller QuorlenInstallerDemo)
  add_test(NAME ship.${target}_start_imports
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/check_start_imports.py $<TARGET_FILE:${target}> wininet.dll comdlg32.dll gdiplus.dll)
endforeach()
