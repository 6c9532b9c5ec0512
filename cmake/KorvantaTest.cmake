# korvanta_add_test(NAME <folder>_<what> [UI|ENGINE] SOURCES ... LIBS ...
#                   [TIMEOUT s] [ENV ...] [DEFINITIONS ...] [DEPENDS ...]
#                   [COMMAND_PREFIX ...])
#
# A test is a CORE program (a QGuiApplication, no widget linked) unless it
# says UI (a QApplication, for tests of windows) or ENGINE (a bare
# QCoreApplication, for measuring loops that must run without any display);
# the layer check holds core and engine tests to the same rule as the core
# libraries.
#
# One ctest entry per test, each in a process of its own: alsa-lib reads its
# configuration once per process, and tests set ALSA_CONFIG_PATH, a home and
# a settings file of their own, so no two tests may share a process. The
# programs are fewer than the entries: a folder's tests of one kind build
# into one program (tests_<folder>_core, _ui, _engine; server tests into
# tests_<folder>_<kind>_server, since they start a sound server for every
# case they run), and each entry runs it with KORVANTA_TEST_SOURCES naming
# its source files, whose test cases alone it runs (tests/support/
# TestSelection.cpp). Building a program links Qt and GoogleTest once for all
# of them.
#
# DEFINITIONS are compile definitions of this test's own sources; DEPENDS
# are targets its program needs built first (a program it runs);
# COMMAND_PREFIX runs the program through a script (given its path).
#
# The name must start with the folder it tests so that `ctest -R ^audio_`
# runs one subsystem. Every test gets its own home, settings file and
# offscreen display so that tests never share state and never touch the
# user's files.
function(korvanta_add_test)
  cmake_parse_arguments(T "UI;ENGINE;SERVER" "NAME;TIMEOUT;PROGRAM_VAR;SELECTION_VAR" "SOURCES;LIBS;ENV;DEFINITIONS;DEPENDS;COMMAND_PREFIX" ${ARGN})
  set(kind core)
  if(T_UI)
    set(kind ui)
  elseif(T_ENGINE)
    set(kind engine)
  endif()
  cmake_path(GET CMAKE_CURRENT_SOURCE_DIR FILENAME folder)
  set(program tests_${folder}_${kind})
  if(T_SERVER)
    set(program ${program}_server)
  endif()
  _korvanta_test_program_add(${program} ${kind} "${T_SOURCES}" "${T_LIBS}" "${T_DEPENDS}")

  # The test's own sources, named from the project root as __FILE__ ends.
  set(selected "")
  foreach(s IN LISTS T_SOURCES)
    if(s MATCHES "\\.cpp$")
      cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE abs)
      if(T_DEFINITIONS)
        set_property(SOURCE ${abs} APPEND PROPERTY COMPILE_DEFINITIONS ${T_DEFINITIONS})
      endif()
      cmake_path(RELATIVE_PATH abs BASE_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE rel)
      list(APPEND selected ${rel})
    endif()
  endforeach()
  if(NOT selected)
    message(FATAL_ERROR "korvanta: test ${T_NAME} has no .cpp source")
  endif()
  string(REPLACE ";" "," selected "${selected}")

  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  if(T_COMMAND_PREFIX)
    add_test(NAME ${T_NAME} COMMAND ${T_COMMAND_PREFIX} $<TARGET_FILE:${program}>)
    korvanta_test_environment(${T_NAME} ${T_TIMEOUT} "KORVANTA_TEST_SOURCES=${selected};${T_ENV}")
  else()
    korvanta_test_entry(${T_NAME} ${program} ${T_TIMEOUT} "KORVANTA_TEST_SOURCES=${selected};${T_ENV}")
  endif()
  if(T_PROGRAM_VAR)
    set(${T_PROGRAM_VAR} ${program} PARENT_SCOPE)
    set(${T_SELECTION_VAR} ${selected} PARENT_SCOPE)
  endif()
endfunction()

# One ctest entry running the test program `exe`, with a home of its own.
function(korvanta_test_entry name exe timeout env)
  add_test(NAME ${name} COMMAND ${exe})
  korvanta_test_environment(${name} ${timeout} "${env}")
endfunction()

# The properties every entry has: its timeout, its own home and settings
# file, the offscreen display, the virtual card, a German locale.
function(korvanta_test_environment name timeout env)
  set(home ${CMAKE_BINARY_DIR}/test-home/${name})
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
  cmake_parse_arguments(T "UI;ENGINE" "NAME;TIMEOUT" "SOURCES;LIBS;ENV;DEFINITIONS;DEPENDS" ${ARGN})
  set(kind)
  if(T_UI)
    set(kind UI)
  elseif(T_ENGINE)
    set(kind ENGINE)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  korvanta_add_test(NAME ${T_NAME} ${kind} SERVER SOURCES ${T_SOURCES} LIBS ${T_LIBS} TIMEOUT ${T_TIMEOUT}
    DEFINITIONS ${T_DEFINITIONS} DEPENDS ${T_DEPENDS} PROGRAM_VAR program SELECTION_VAR selected
    ENV "KORVANTA_TEST_SERVER=pulse;${T_ENV}")
  korvanta_test_entry(${T_NAME}_pipewire ${program} ${T_TIMEOUT}
    "KORVANTA_TEST_SOURCES=${selected};KORVANTA_TEST_SERVER=pipewire;${T_ENV}")
  # A server's loop runs on real clocks: with another test busy on the
  # other core it can skip a cycle mid-recording, and the test would fail
  # by chance. A real-time daemon is not enough, since the test's own
  # client threads run at normal priority. Each server test has the
  # machine to itself.
  set_tests_properties(${T_NAME} ${T_NAME}_pipewire PROPERTIES RUN_SERIAL TRUE)
endfunction()

# Collects what the folder's program of this kind builds from; the program
# itself is made once the folder's CMakeLists has been read.
function(_korvanta_test_program_add program kind sources libs depends)
  get_property(known DIRECTORY PROPERTY KORVANTA_TEST_PROGRAMS)
  if(NOT program IN_LIST known)
    set_property(DIRECTORY APPEND PROPERTY KORVANTA_TEST_PROGRAMS ${program})
    set_property(DIRECTORY PROPERTY KORVANTA_TEST_KIND_${program} ${kind})
    if(NOT known)
      cmake_language(DEFER CALL _korvanta_make_test_programs)
    endif()
  endif()
  set_property(DIRECTORY APPEND PROPERTY KORVANTA_TEST_SOURCES_${program} ${sources})
  set_property(DIRECTORY APPEND PROPERTY KORVANTA_TEST_LIBS_${program} ${libs})
  set_property(DIRECTORY APPEND PROPERTY KORVANTA_TEST_DEPENDS_${program} ${depends})
endfunction()

function(_korvanta_make_test_programs)
  get_property(programs DIRECTORY PROPERTY KORVANTA_TEST_PROGRAMS)
  foreach(program IN LISTS programs)
    get_property(kind DIRECTORY PROPERTY KORVANTA_TEST_KIND_${program})
    get_property(sources DIRECTORY PROPERTY KORVANTA_TEST_SOURCES_${program})
    get_property(libs DIRECTORY PROPERTY KORVANTA_TEST_LIBS_${program})
    get_property(depends DIRECTORY PROPERTY KORVANTA_TEST_DEPENDS_${program})
    # A header or a source named by several tests is built once.
    set(unique "")
    foreach(s IN LISTS sources)
      cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE abs)
      list(APPEND unique ${abs})
    endforeach()
    list(REMOVE_DUPLICATES unique)
    list(REMOVE_DUPLICATES libs)
    if(kind STREQUAL "ui")
      korvanta_executable(${program} UI ${unique})
      target_link_libraries(${program} PRIVATE korvanta_testmain_ui ${libs})
    elseif(kind STREQUAL "engine")
      korvanta_executable(${program} CORE ${unique})
      target_link_libraries(${program} PRIVATE korvanta_testmain_core ${libs})
    else()
      korvanta_executable(${program} CORE ${unique})
      target_link_libraries(${program} PRIVATE korvanta_testmain ${libs})
    endif()
    if(kind STREQUAL "ui")
      korvanta_precompile(${program} test-ui)
    else()
      korvanta_precompile(${program} test-core)
    endif()
    # A test's own code says where it failed with line tables alone, and
    # -O1 runs it fast enough; the code under test keeps the build's flags.
    target_compile_options(${program} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O1 -g1> $<$<CONFIG:Debug>:-g1>)
    if(depends)
      list(REMOVE_DUPLICATES depends)
      add_dependencies(${program} ${depends})
    endif()
  endforeach()
endfunction()
