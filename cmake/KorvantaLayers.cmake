# Two layers, visible in the build. A CORE target measures, stores, and draws
# into pictures; a UI target adds windows. Core never links a UI target, Qt
# Widgets or Qt PrintSupport, and its sources include no widget header, so the
# measuring command and the engine tests run without a widget in the process.
#
#   korvanta_library(<name> CORE|UI <sources>...)
#   korvanta_executable(<name> CORE|UI <sources>...)
#   korvanta_declare_layer(<existing target> CORE|UI)
#
# Every target declared here is checked by the ctest "layers_rule"
# (cmake/CheckLayers.cmake), so a new folder is covered without touching the
# rule.

set(KORVANTA_FORBIDDEN_IN_CORE Qt6::Widgets Qt6::PrintSupport Qt6::SvgWidgets Qt6::OpenGLWidgets)

function(korvanta_declare_layer name layer)
  if(NOT layer MATCHES "^(CORE|UI)$")
    message(FATAL_ERROR "korvanta: layer of ${name} must be CORE or UI, not '${layer}'")
  endif()
  set_property(TARGET ${name} PROPERTY KORVANTA_LAYER ${layer})
  set_property(GLOBAL APPEND PROPERTY KORVANTA_LAYERED_TARGETS ${name})
endfunction()

function(korvanta_library name layer)
  add_library(${name} STATIC ${ARGN})
  korvanta_declare_layer(${name} ${layer})
  if(layer STREQUAL "UI")
    korvanta_precompile(${name} ui)
  else()
    korvanta_precompile(${name} core)
  endif()
endfunction()

function(korvanta_executable name layer)
  add_executable(${name} ${ARGN})
  korvanta_declare_layer(${name} ${layer})
endfunction()

# Writes one line per declared target for the checker:
#   <target>|<layer>|<type>|<links,...>|<sources,...>|<binary or empty>
# Links are the direct ones (private and public); the checker follows them.
function(korvanta_write_layer_list file)
  get_property(targets GLOBAL PROPERTY KORVANTA_LAYERED_TARGETS)
  set(out "")
  foreach(t IN LISTS targets)
    get_target_property(layer ${t} KORVANTA_LAYER)
    get_target_property(type ${t} TYPE)
    get_target_property(links ${t} LINK_LIBRARIES)
    get_target_property(ilinks ${t} INTERFACE_LINK_LIBRARIES)
    get_target_property(dir ${t} SOURCE_DIR)
    get_target_property(srcs ${t} SOURCES)
    set(all "")
    foreach(l IN LISTS links ilinks)
      if(l AND NOT l MATCHES "-NOTFOUND$")
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" l "${l}")
        # Other generator expressions (Qt's resource objects) name no
        # library of ours.
        # "::@" entries mark links made from another folder.
        if(NOT l MATCHES "\\$<" AND NOT l MATCHES "^::@")
          list(APPEND all ${l})
        endif()
      endif()
    endforeach()
    list(REMOVE_DUPLICATES all)
    set(abs "")
    foreach(s IN LISTS srcs)
      if(s MATCHES "\\.(cpp|h)$")
        cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${dir} OUTPUT_VARIABLE a)
        list(APPEND abs ${a})
      endif()
    endforeach()
    set(bin "")
    if(type STREQUAL "EXECUTABLE")
      set(bin "$<TARGET_FILE:${t}>")
    endif()
    string(REPLACE ";" "," all "${all}")
    string(REPLACE ";" "," abs "${abs}")
    string(APPEND out "${t}|${layer}|${type}|${all}|${abs}|${bin}\n")
  endforeach()
  file(GENERATE OUTPUT ${file} CONTENT "${out}")
endfunction()

# Adds -Werror to every target built from our sources in `dir` and below.
function(korvanta_treat_warnings_as_errors dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      target_compile_options(${t} PRIVATE -Werror)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    korvanta_treat_warnings_as_errors(${sub})
  endforeach()
endfunction()
