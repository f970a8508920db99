# Helpers for tests that run under Wine.
#
# Two project-local Wine prefixes are used (made by scripts/make-prefix, see docs/TESTING.md):
#   plain - Wine's own WMI service is the locator: reference tests against a WMI none of us wrote;
#   sim   - vuemere-hostsim.dll is registered as the WbemLocator class: black-box tests of vuemere.exe.

set(VUEMERE_WINEPREFIX_ROOT ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Where the test Wine prefixes live")

# Every Wine test needs both prefixes: made (or found made) first, so that ctest works in any build
# folder, not only where scripts/test made them.
function(vuemere_add_wine_prefixes)
  add_test(NAME wine_prefix_plain COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-prefix plain
                                          ${VUEMERE_WINEPREFIX_ROOT}/plain)
  add_test(NAME wine_prefix_sim COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-prefix sim ${VUEMERE_WINEPREFIX_ROOT}/sim
                                        $<TARGET_FILE:vuemere-hostsim>)
  set_tests_properties(wine_prefix_plain wine_prefix_sim PROPERTIES FIXTURES_SETUP wine_prefixes TIMEOUT 300)
endfunction()

# Windows form of a path on the Linux side (Wine maps / to drive Z:).
function(vuemere_wine_path out path)
  string(REPLACE "/" "\\" winpath "${path}")
  set(${out} "Z:${winpath}" PARENT_SCOPE)
endfunction()

# vuemere_add_wine_test(NAME name COMMAND target [args...] PREFIX plain|sim [TIMEOUT s] [ENVIRONMENT k=v...])
function(vuemere_add_wine_test)
  cmake_parse_arguments(T "" "NAME;PREFIX;TIMEOUT" "COMMAND;ENVIRONMENT" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 240)
  endif()
  if(NOT T_PREFIX)
    set(T_PREFIX plain)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  vuemere_wine_path(exe_dir "${CMAKE_BINARY_DIR}/bin")
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    # One at a time: the tests share one X display, and real keyboard input, the foreground window
    # and the pointer position belong to the whole display.
    RESOURCE_LOCK x_display
    FIXTURES_REQUIRED wine_prefixes
    ENVIRONMENT "WINEPREFIX=${VUEMERE_WINEPREFIX_ROOT}/${T_PREFIX};VUEMERE_WINE_TIMEOUT=${T_TIMEOUT};VUEMERE_BIN_DIR=${exe_dir};${T_ENVIRONMENT}")
endfunction()
