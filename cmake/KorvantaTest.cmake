# korvanta_add_test(NAME <folder>_<what> SOURCES ... LIBS ... [TIMEOUT s])
#
# One test program per ctest entry. The name must start with the folder it
# tests so that `ctest -R ^audio_` runs one subsystem. Every test gets its own
# home, settings file and offscreen display so that tests never share state
# and never touch the user's files.
function(korvanta_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE korvanta_testsupport ${T_LIBS})
  set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVANTA_AUDIO=virtual;HOME=${home};XDG_CONFIG_HOME=${home}/.config;KORVANTA_SETTINGS=${home}/krv14f.ini;KORVANTA_TEST_HOME=${home};${T_ENV}")
endfunction()
