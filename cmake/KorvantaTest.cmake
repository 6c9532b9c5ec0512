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
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  korvanta_test_entry(${T_NAME} ${T_NAME} ${T_TIMEOUT} "${T_ENV}")
endfunction()

# One ctest entry running the test program `exe`, with a home of its own.
function(korvanta_test_entry name exe timeout env)
  set(home ${CMAKE_BINARY_DIR}/test-home/${name})
  add_test(NAME ${name} COMMAND ${exe})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${timeout}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVANTA_AUDIO=virtual;HOME=${home};XDG_CONFIG_HOME=${home}/.config;KORVANTA_SETTINGS=${home}/krv14f.ini;KORVANTA_TEST_HOME=${home};LANG=de_DE.UTF-8;${env}")
endfunction()

# korvanta_add_server_test(NAME <folder>_<what> ... as korvanta_add_test)
#
# A test of a real sound server (tests/support/SoundServer.h), run twice:
# <name> on PulseAudio and <name>_pipewire on PipeWire. Two entries, two
# processes, because alsa-lib reads its configuration once per process.
function(korvanta_add_server_test)
  cmake_parse_arguments(T "UI;ENGINE" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  set(kind)
  if(T_UI)
    set(kind UI)
  elseif(T_ENGINE)
    set(kind ENGINE)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  korvanta_add_test(NAME ${T_NAME} ${kind} SOURCES ${T_SOURCES} LIBS ${T_LIBS} TIMEOUT ${T_TIMEOUT}
    ENV "KORVANTA_TEST_SERVER=pulse;${T_ENV}")
  korvanta_test_entry(${T_NAME}_pipewire ${T_NAME} ${T_TIMEOUT} "KORVANTA_TEST_SERVER=pipewire;${T_ENV}")
  # A server's loop runs on real clocks: with another test busy on the
  # other core it can skip a cycle mid-recording, and the test would fail
  # by chance. Each server test has the machine to itself.
  set_tests_properties(${T_NAME} ${T_NAME}_pipewire PROPERTIES RUN_SERIAL TRUE)
endfunction()
