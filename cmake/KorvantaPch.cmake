# Precompiled headers: parsing Qt's and GoogleTest's headers took about
# half of the compile time of a typical source. A target with enough
# sources compiles them once (the headers of cmake/pch/); a small one gains
# nothing from it, since building the header costs about as much as
# parsing it in a handful of sources.
#
#   korvanta_precompile(<target> core|ui|test-core|test-ui)

option(KORVANTA_PCH "Precompile the common Qt and GoogleTest headers of the larger targets" ON)
set(KORVANTA_PCH_MIN_SOURCES 6 CACHE STRING "Sources a target needs to get precompiled headers")

function(korvanta_precompile target kind)
  if(NOT KORVANTA_PCH)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH sources count)
  if(count LESS KORVANTA_PCH_MIN_SOURCES)
    return()
  endif()
  target_precompile_headers(${target} PRIVATE "${CMAKE_SOURCE_DIR}/cmake/pch/${kind}.h")
endfunction()
