# korvanta_add_test(NAME <folder>_<what> [UI|ENGINE] SOURCES ... LIBS ... [TIMEOUT s])
#
# A test is a CORE program (a QGuiApplication, no widget linked) unless it
# says UI (a QApplication, for tests of windows) or ENGINE (a bare
# QCoreApplication, for measuring loops that must run without any display);
# the layer check holds core and engine tests to the same rule as the core
# libraries.
# One test program per ctest entry. The name must start with the folder it
# tests so that `ctest -R ^audio_` runs one subsystem. Every test gets its own
# home, settings file and offscreen display so that tests never share state
# and never touch the user's files.
function(korvanta_add_test)
  cmake_parse_arguments(T "UI;ENGINE" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  if(T_UI)
    korvanta_executable(${T_NAME} UI ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE korvanta_testmain_ui ${T_LIBS})
  elseif(T_ENGINE)
    korvanta_executable(${T_NAME} CORE ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE korvanta_testmain_core ${T_LIBS})
  else()
    korvanta_executable(${T_NAME} CORE ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE korvanta_testmain ${T_LIBS})
  endif()
  set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVANTA_AUDIO=virtual;HOME=${home};XDG_CONFIG_HOME=${home}/.config;KORVANTA_SETTINGS=${home}/krv14f.ini;KORVANTA_TEST_HOME=${home};LANG=de_DE.UTF-8;${T_ENV}")
endfunction()
