# Set-up's checks, run with the native tests: the deb-src entry derived from sample apt folders
# (never this machine's /etc/apt), and no package host named anywhere in the repository.
add_test(NAME setup.derive_deb_src COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/setup/derive_deb_src_test.py)
add_test(NAME setup.no_package_host COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/setup/no_package_host_test.py
  ${CMAKE_SOURCE_DIR})
