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
qln_windows_path(QLN_DEMO_EXE_WINPATH ${CMAKE_BINARY_DIR}/QuorlenInstallerDemo.exe)

add_executable(win_tests
  src/plugin/plugin_page.cpp
  tests/win/test_support.cpp
  tests/win/discovery_test.cpp
  tests/win/checks_test.cpp
  tests/win/resources_test.cpp
  tests/win/minizip_test.cpp
  tests/win/zip_writer.cpp
  tests/win/package_install_test.cpp
  tests/win/single_instance_test.cpp
  tests/win/http_downloader_test.cpp
  tests/win/message_boxes.cpp
  tests/win/pages_test.cpp
  tests/win/deferred_tooltip_test.cpp
)
target_compile_definitions(win_tests PRIVATE
  QLN_EXE_WINPATH=L"${QLN_EXE_WINPATH}"
  QLN_STANDIN_WINPATH=L"${QLN_STANDIN_WINPATH}"
  QLN_DEMO_EXE_WINPATH=L"${QLN_DEMO_EXE_WINPATH}")
target_link_libraries(win_tests PRIVATE qln_win gtest_main version)
add_dependencies(win_tests QuorlenInstaller QuorlenInstallerDemo standin_sketchup)

# Each test runs in its own process; the prefix's registry and folders are shared, so Wine
# tests of one prefix never run side by side.
gtest_discover_tests(win_tests TEST_PREFIX "win96." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK wineprefix-96 ENVIRONMENT QLN_DPI=96)

# Tests whose results depend on the screen's DPI run in several prefixes of the session:
# qln_add_wine_tests(<target> [dpi...]) registers every test of <target> once per DPI (default
# 96 and 144), as "win<dpi>.<name>", each holding the lock of its own prefix. wine-run.sh picks
# the prefix from QLN_DPI, and the tests can read QLN_DPI to know which DPI they must see.
# Discovery runs once per registration, in the 96 prefix.
function(qln_add_wine_tests target)
  set(dpis ${ARGN})
  if(NOT dpis)
    set(dpis 96 144)
  endif()
  foreach(dpi ${dpis})
    gtest_discover_tests(${target} TEST_PREFIX "win${dpi}." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES RESOURCE_LOCK wineprefix-${dpi} ENVIRONMENT QLN_DPI=${dpi})
  endforeach()
endfunction()

add_executable(win_tests_dpi
  src/plugin/plugin_page.cpp
  tests/win/message_boxes.cpp
  tests/win/canvas_test.cpp
  tests/win/vector_draw_test.cpp
  tests/win/placement_test.cpp
  tests/win/forms_test.cpp
)
target_link_libraries(win_tests_dpi PRIVATE qln_win gtest_main)
qln_add_wine_tests(win_tests_dpi)
# The button group and resource icon tests: the DPI tests carry the installer's resources, and
# write screenshots of the plugin page into the build tree.
target_sources(win_tests_dpi PRIVATE tests/win/button_group_test.cpp tests/win/resource_icons_test.cpp
  tests/win/test_support.cpp tests/win/gui_objects.cpp src/resources/app.rc)
target_include_directories(win_tests_dpi PRIVATE ${QLN_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources)
qln_windows_path(QLN_SCREENSHOT_WINPATH ${CMAKE_BINARY_DIR}/screenshots)
target_compile_definitions(win_tests_dpi PRIVATE QLN_SCREENSHOT_DIR=L"${QLN_SCREENSHOT_WINPATH}")

# Every control where the forms put it, the framework's procedures, a soak and pictures of the
# pages, at all four DPIs of the session.
add_executable(win_tests_layout
  src/plugin/plugin_page.cpp
  src/resources/app.rc
  tests/win/message_boxes.cpp
  tests/win/test_support.cpp
  tests/win/gui_objects.cpp
  tests/win/pages_geometry_test.cpp
  tests/win/forms_behaviour_test.cpp
  tests/win/soak_test.cpp
)
target_include_directories(win_tests_layout PRIVATE ${QLN_ICON_DIR} ${CMAKE_SOURCE_DIR}/src/resources)
target_compile_definitions(win_tests_layout PRIVATE QLN_SCREENSHOT_DIR=L"${QLN_SCREENSHOT_WINPATH}"
  QLN_STANDIN_WINPATH=L"${QLN_STANDIN_WINPATH}")
target_link_libraries(win_tests_layout PRIVATE qln_win gtest_main)
add_dependencies(win_tests_layout standin_sketchup)
qln_add_wine_tests(win_tests_layout 96 120 144 192)

# The download tests start tests/tools/http_test_server.py with the host's python3 on loopback.
target_compile_definitions(win_tests PRIVATE QLN_HTTP_TEST_SERVER=L"${CMAKE_SOURCE_DIR}/tests/tools/http_test_server.py")
target_link_libraries(win_tests PRIVATE ws2_32)
target_compile_definitions(win_tests_dpi PRIVATE QLN_HTTP_TEST_SERVER=L"${CMAKE_SOURCE_DIR}/tests/tools/http_test_server.py")
target_link_libraries(win_tests_dpi PRIVATE ws2_32)

# The real installer driven from outside. Run as the prefix's user and again with a Chinese
# $USER, which Wine turns into the Windows user name of every process it starts.
add_executable(e2e_tests tests/win/e2e_test.cpp tests/win/test_support.cpp tests/win/message_boxes.cpp
  tests/win/zip_writer.cpp)
target_compile_definitions(e2e_tests PRIVATE
  QLN_STANDIN_WINPATH=L"${QLN_STANDIN_WINPATH}"
  QLN_DEMO_EXE_WINPATH=L"${QLN_DEMO_EXE_WINPATH}"
  QLN_HTTP_TEST_SERVER=L"${CMAKE_SOURCE_DIR}/tests/tools/http_test_server.py")
target_link_libraries(e2e_tests PRIVATE qln_win gtest_main ws2_32)
string(REGEX REPLACE "^.*:" "" QLN_DEMO_PORT "${QLN_DEMO_UPDATE_HOST}")
target_compile_definitions(e2e_tests PRIVATE QLN_DEMO_PORT=${QLN_DEMO_PORT})
add_dependencies(e2e_tests QuorlenInstallerDemo standin_sketchup)
gtest_discover_tests(e2e_tests TEST_PREFIX "e2e." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK wineprefix-96 ENVIRONMENT QLN_DPI=96)
gtest_discover_tests(e2e_tests TEST_PREFIX "e2e-zh." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK wineprefix-96 ENVIRONMENT "QLN_DPI=96;USER=张三")

# Isolation. Every test program carries the leftover guard (tests/win/leftovers.*), which ends
# what a test left running or wrote into the prefix, so that one failing test cannot make the
# tests after it fail. tests/wine/planted_leftover.sh plants a test that leaves a stand-in
# SketchUp, the installer and a Plugins file behind and shows the tests after it pass.
target_sources(win_tests PRIVATE tests/win/leftovers.cpp tests/win/planted_leftover_test.cpp)
target_sources(win_tests_dpi PRIVATE tests/win/leftovers.cpp)
target_sources(e2e_tests PRIVATE tests/win/leftovers.cpp)
target_sources(win_tests_layout PRIVATE tests/win/leftovers.cpp)
add_test(NAME isolation.PlantedLeftoverStaysWithItsTest
  COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/planted_leftover.sh ${QLN_WINE_SESSION} ${CMAKE_BINARY_DIR})
set_tests_properties(isolation.PlantedLeftoverStaysWithItsTest PROPERTIES
  RESOURCE_LOCK wineprefix-96 ENVIRONMENT QLN_DPI=96 TIMEOUT 180)
# The prefixes run side by side: a pointer moved by a test at one DPI must stay out of the
# tests at another (tests/wine/check_pointer_apart.sh, tests/tools/pointer_probe.cpp).
add_executable(pointer_probe tests/tools/pointer_probe.cpp)
target_compile_definitions(pointer_probe PRIVATE ${QLN_WIN_DEFS})
add_test(NAME isolation.EachDpiHasAPointerOfItsOwn
  COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/check_pointer_apart.sh ${QLN_WINE_SESSION} ${CMAKE_BINARY_DIR} 192 96)
set_tests_properties(isolation.EachDpiHasAPointerOfItsOwn PROPERTIES
  RESOURCE_LOCK "wineprefix-96;wineprefix-192" TIMEOUT 180)
# Unattended runs, the install log and local packages: the demo build run from outside with
# switches, a package argument, a drop and the install button's context menu.
add_executable(deploy_tests tests/win/deploy_test.cpp tests/win/test_support.cpp tests/win/zip_writer.cpp)
target_compile_definitions(deploy_tests PRIVATE
  QLN_STANDIN_WINPATH=L"${QLN_STANDIN_WINPATH}"
  QLN_DEMO_EXE_WINPATH=L"${QLN_DEMO_EXE_WINPATH}"
  QLN_HTTP_TEST_SERVER=L"${CMAKE_SOURCE_DIR}/tests/tools/http_test_server.py"
  QLN_DEMO_PORT=${QLN_DEMO_PORT})
target_link_libraries(deploy_tests PRIVATE qln_win gtest_main ws2_32)
add_dependencies(deploy_tests QuorlenInstallerDemo standin_sketchup)
# The company mirror's tests (MirrorTest.*) serve HTTPS on port 443: registered with the TLS tests below.
gtest_discover_tests(deploy_tests TEST_PREFIX "deploy." TEST_FILTER "-MirrorTest.*" DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 60 PROPERTIES RESOURCE_LOCK wineprefix-96 ENVIRONMENT QLN_DPI=96)
target_sources(deploy_tests PRIVATE tests/win/leftovers.cpp)
# The install record: /verify, /uninstall and the conditional request of an unchanged package.
target_sources(deploy_tests PRIVATE tests/win/record_test.cpp)
target_link_libraries(deploy_tests PRIVATE bcrypt)
# ---- Trustworthy updates (issue 9) -----------------------------------------------------------
# The staged installation's tests link the test programs' own installation hook
# (install_test_hooks.cpp defines ActiveInstallStepHook in place of the product's, which has none).
target_sources(win_tests PRIVATE tests/win/staged_install_test.cpp tests/win/trust_pages_test.cpp tests/win/writers_test.cpp
  tests/win/install_test_hooks.cpp tests/win/install_test_support.cpp)
# A program that installs as the installer does and stops for good before its n-th move: the
# tests kill it there and check the recovery.
add_executable(install_helper tests/tools/install_helper.cpp tests/win/install_test_hooks.cpp)
target_include_directories(install_helper PRIVATE ${CMAKE_SOURCE_DIR}/tests/win)
target_link_libraries(install_helper PRIVATE qln_win)
target_link_options(install_helper PRIVATE -municode)
qln_windows_path(QLN_INSTALL_HELPER_WINPATH ${CMAKE_BINARY_DIR}/install_helper.exe)
target_compile_definitions(win_tests PRIVATE QLN_INSTALL_HELPER_WINPATH=L"${QLN_INSTALL_HELPER_WINPATH}")
add_dependencies(win_tests install_helper)
target_sources(e2e_tests PRIVATE tests/win/trust_e2e_test.cpp tests/win/install_test_support.cpp)
target_compile_definitions(e2e_tests PRIVATE QLN_INSTALL_HELPER_WINPATH=L"${QLN_INSTALL_HELPER_WINPATH}")
add_dependencies(e2e_tests install_helper)

# TLS: a test CA and its server certificates, made at build time; a loopback HTTPS server on
# 127.0.0.1:443 (one port for the whole machine: the server waits for flock on
# /tmp/qln-port443.lock, and these tests hold the ctest lock port-443 as well).
set(QLN_TEST_CERTS ${CMAKE_BINARY_DIR}/test-certs)
add_custom_command(OUTPUT ${QLN_TEST_CERTS}/ca.der ${QLN_TEST_CERTS}/good.pem ${QLN_TEST_CERTS}/wrong.pem
    ${QLN_TEST_CERTS}/expired.pem ${QLN_TEST_CERTS}/mirror.pem
  COMMAND ${CMAKE_SOURCE_DIR}/tests/tools/make_test_certs.sh ${QLN_TEST_CERTS}
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/tools/make_test_certs.sh
  COMMENT "Making the TLS tests' certificates")
add_custom_target(test_certs DEPENDS ${QLN_TEST_CERTS}/ca.der)
qln_windows_path(QLN_TEST_CA_DER_WINPATH ${QLN_TEST_CERTS}/ca.der)
add_executable(tls_tests src/plugin/plugin_page.cpp tests/win/tls_test.cpp tests/win/test_support.cpp
  tests/win/message_boxes.cpp tests/win/zip_writer.cpp)
target_compile_definitions(tls_tests PRIVATE
  QLN_HTTP_TEST_SERVER=L"${CMAKE_SOURCE_DIR}/tests/tools/http_test_server.py"
  QLN_TEST_CERT_DIR=L"${QLN_TEST_CERTS}"
  QLN_TEST_CA_DER=L"${QLN_TEST_CA_DER_WINPATH}")
target_link_libraries(tls_tests PRIVATE qln_win gtest_main ws2_32 crypt32)
add_dependencies(tls_tests test_certs)
gtest_discover_tests(tls_tests TEST_PREFIX "win96." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK "wineprefix-96;port-443" ENVIRONMENT QLN_DPI=96 TIMEOUT 600)
target_sources(tls_tests PRIVATE tests/win/leftovers.cpp tests/win/trusted_test_ca.cpp)
# ---- The framework's last untested behaviours (issue 12) ------------------------------------
# Paint of labels, frames and the button group at the four DPIs, on a shared test form.
target_sources(win_tests_layout PRIVATE tests/win/form_fixture.cpp tests/win/framework_paint_test.cpp)
# The modal loop's wheel rule runs in a program of its own, under the Windows version Wine is
# told to show it; the window page against two stand-in SketchUps.
add_executable(wheel_probe WIN32 tests/tools/wheel_probe.cpp)
target_link_libraries(wheel_probe PRIVATE qln_win)
target_link_options(wheel_probe PRIVATE -municode)
qln_windows_path(QLN_WHEEL_PROBE_WINPATH ${CMAKE_BINARY_DIR}/wheel_probe.exe)
target_sources(win_tests PRIVATE tests/win/engine_process_test.cpp)
target_compile_definitions(win_tests PRIVATE QLN_WHEEL_PROBE_WINPATH=L"${QLN_WHEEL_PROBE_WINPATH}")
add_dependencies(win_tests wheel_probe)

# Unattended installations from a company mirror over HTTPS whose certificate the prefix trusts.
target_sources(deploy_tests PRIVATE tests/win/trusted_test_ca.cpp)
target_compile_definitions(deploy_tests PRIVATE QLN_TEST_CERT_DIR=L"${QLN_TEST_CERTS}"
  QLN_TEST_CA_DER=L"${QLN_TEST_CA_DER_WINPATH}")
target_link_libraries(deploy_tests PRIVATE crypt32)
add_dependencies(deploy_tests test_certs)
gtest_discover_tests(deploy_tests TEST_PREFIX "deploy." TEST_FILTER "MirrorTest.*" DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 60 PROPERTIES RESOURCE_LOCK "wineprefix-96;port-443" ENVIRONMENT QLN_DPI=96 TIMEOUT 600)
# ---- Safe to run as administrator ------------------------------------------------------------
# Attacks a standard user could plant against an unattended run; a DLL of a system library's
# name that marks its own loading.
add_library(planted_dll SHARED tests/tools/planted_dll.cpp)
set_target_properties(planted_dll PROPERTIES PREFIX "" OUTPUT_NAME planted)
qln_windows_path(QLN_PLANTED_DLL_WINPATH ${CMAKE_BINARY_DIR}/planted.dll)
add_executable(security_tests tests/win/security_test.cpp tests/win/test_support.cpp tests/win/zip_writer.cpp
  tests/win/install_test_hooks.cpp tests/win/install_test_support.cpp tests/win/leftovers.cpp)
target_compile_definitions(security_tests PRIVATE
  QLN_STANDIN_WINPATH=L"${QLN_STANDIN_WINPATH}"
  QLN_DEMO_EXE_WINPATH=L"${QLN_DEMO_EXE_WINPATH}"
  QLN_PLANTED_DLL_WINPATH=L"${QLN_PLANTED_DLL_WINPATH}")
target_link_libraries(security_tests PRIVATE qln_win gtest_main)
add_dependencies(security_tests QuorlenInstallerDemo standin_sketchup planted_dll)
gtest_discover_tests(security_tests TEST_PREFIX "security." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES RESOURCE_LOCK wineprefix-96 ENVIRONMENT QLN_DPI=96 TIMEOUT 600)

