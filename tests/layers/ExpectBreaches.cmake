cmake_minimum_required(VERSION 3.25)
# Runs the layer check on the fixture and passes only when the check fails
# there and names each planted breach: a core target reaching a ui target
# through another core target, a widget header and a ui header in a core
# source. The plain targets must not be named.
execute_process(COMMAND ${CMAKE_COMMAND} -DLIST=${LIST} "-DWIDGET_HEADERS=${WIDGET_HEADERS}" -P ${CHECKER}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
set(all "${out}${err}")
set(problems "")
if(rc EQUAL 0)
  list(APPEND problems "the check passed a list with breaches")
endif()
foreach(expected
    "core target middle_core links window_ui"
    "core target leaky_core links window_ui \\(leaky_core -> middle_core -> window_ui\\)"
    "leaky.cpp includes the widget header QPushButton"
    "leaky.cpp includes the ui header diagram/ui/Diagr3.h")
  if(NOT all MATCHES "${expected}")
    list(APPEND problems "not named: ${expected}")
  endif()
endforeach()
if(all MATCHES "plain_core links" OR all MATCHES "plain.cpp includes")
  list(APPEND problems "a plain core target was named")
endif()
if(problems)
  message(FATAL_ERROR "layer check on the fixture:\n${all}\n${problems}")
endif()
message("the layer check found every planted breach")
