# Native (Linux) build of the platform-independent code, for fast tests under sanitizers.
set(QLN_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_compile_options(qln_portable PRIVATE ${QLN_SANITIZE})

find_package(GTest REQUIRED)

add_executable(native_tests
  tests/native/exe_path_test.cpp
  tests/native/version_rules_test.cpp
  tests/native/member_names_test.cpp
  tests/native/placement_rules_test.cpp
  tests/native/forms_rules_test.cpp
  tests/native/url_test.cpp
  tests/native/vector_language_test.cpp
  tests/native/button_group_layout_test.cpp
  tests/native/deployment_rules_test.cpp
  tests/native/transfer_rules_test.cpp
  tests/native/install_journal_test.cpp
  tests/native/owned_test.cpp
  tests/native/install_record_test.cpp
  tests/native/folder_steps_test.cpp
)
target_compile_options(native_tests PRIVATE ${QLN_SANITIZE})
target_link_options(native_tests PRIVATE ${QLN_SANITIZE})
target_link_libraries(native_tests PRIVATE qln_portable GTest::gtest_main)
gtest_discover_tests(native_tests TEST_PREFIX "native." DISCOVERY_MODE PRE_TEST)

# The fuzz targets under libFuzzer: tests/fuzz/run_fuzz.sh builds each with clang and fuzzes it
# for its share of a minute (vector language 30 s, placement reader and URL parser 15 s each),
# or QLN_FUZZ_SECONDS each; libFuzzer ends the run itself.
foreach(target vector placement url)
  if(target STREQUAL "vector")
    set(name native.vector_language_fuzz)
  else()
    set(name native.${target}_fuzz)
  endif()
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/fuzz/run_fuzz.sh ${CMAKE_BINARY_DIR}/fuzz ${target})
  set_tests_properties(${name} PROPERTIES TIMEOUT 7200)
endforeach()
include(${CMAKE_SOURCE_DIR}/tests/setup/tests.cmake)

# The layers of src/: every include runs down them (tests/layers/check_layers.py), and the check
# itself catches includes planted upward, sideways between the pages and into portable files.
add_test(NAME layers.IncludesRunDownTheLayers COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/layers/check_layers.py)
add_test(NAME layers.CheckCatchesPlantedIncludes COMMAND ${CMAKE_SOURCE_DIR}/tests/layers/check_layers_test.sh)
