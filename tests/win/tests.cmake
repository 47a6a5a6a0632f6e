# Tests of Win32 behaviour, run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
add_subdirectory(${QLN_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# A small program of ours that stands in for SketchUp: it shows one window until closed.
add_executable(standin_sketchup WIN32 tests/tools/standin_sketchup.cpp)
target_compile_definitions(standin_sketchup PRIVATE ${QLN_WIN_DEFS})
target_link_options(standin_sketchup PRIVATE -municode)

function(qln_windows_path out unix_path)
  string(REPLACE "/" "\\\\" p "${unix_path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()
qln_windows_path(QLN_EXE_WINPATH ${CMAKE_BINARY_DIR}/QuorlenInstaller.exe)
qln_windows_path(QLN_STANDIN_WINPATH ${CMAKE_BINARY_DIR}/standin_sketchup.exe)

add_executable(win_tests
  tests/win/test_support.cpp
  tests/win/discovery_test.cpp
  tests/win/checks_test.cpp
  tests/win/resources_test.cpp
  tests/win/minizip_test.cpp
  tests/win/single_instance_test.cpp
)
target_compile_definitions(win_tests PRIVATE
  QLN_EXE_WINPATH=L"${QLN_EXE_WINPATH}"
  QLN_STANDIN_WINPATH=L"${QLN_STANDIN_WINPATH}")
target_link_libraries(win_tests PRIVATE qln_win gtest_main version)
add_dependencies(win_tests QuorlenInstaller standin_sketchup)

# Each test runs in its own process; the prefix's registry and folders are shared, so Wine
# tests of one prefix never run side by side.
gtest_discover_tests(win_tests TEST_PREFIX "win96." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK wineprefix-96 ENVIRONMENT QLN_DPI=96)
