# Precompiled headers: parsing Qt's and GoogleTest's headers took about
# half of the compile time of a typical source, and compiling one of the
# headers of cmake/pch/ takes 20 to 30 s. So each header is compiled once,
# by a small target of its own (korvanta_pch_<kind>), and every target of
# that kind reuses it.
#
#   korvanta_precompile(<target> core|ui|test-core|test-ui)
#
# GCC takes a precompiled header only where every macro it was compiled
# with is defined the same way; macros the header never reads may be added.
# Targets differ in the QT_<MODULE>_LIB macros of the modules they link and
# in QtTest's QT_TESTCASE_BUILDDIR, so an owner is compiled with Qt Core's
# macros alone and the other modules' include folders, and the headers
# leave out QtTest, which reads those macros. -Winvalid-pch makes a header
# that is not taken a warning (an error in CI), not a silent slowdown.
#
# The targets' links are known only once every folder is read, so the
# headers are set up at the end of the top-level CMakeLists.

option(KORVANTA_PCH "Precompile the common Qt and GoogleTest headers" ON)

function(korvanta_precompile target kind)
  if(NOT KORVANTA_PCH)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY KORVANTA_PCH_TARGETS ${target})
  set_property(TARGET ${target} PROPERTY KORVANTA_PCH_KIND ${kind})
  get_property(deferred GLOBAL PROPERTY KORVANTA_PCH_DEFERRED)
  if(NOT deferred)
    set_property(GLOBAL PROPERTY KORVANTA_PCH_DEFERRED TRUE)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _korvanta_pch_setup)
  endif()
endfunction()

# The imported targets (Qt modules, GoogleTest, ...) whose usage reaches the
# compilation of `target`: all of its own links, and of the libraries below
# it the links they pass on.
function(_korvanta_pch_imports target out)
  get_target_property(own ${target} LINK_LIBRARIES)
  set(queue "")
  foreach(l IN LISTS own)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" l "${l}")
    list(APPEND queue ${l})
  endforeach()
  set(seen "")
  set(imports "")
  # (A list that ends in "...-NOTFOUND" is false to while(), hence the count.)
  list(LENGTH queue left)
  while(left GREATER 0)
    list(POP_FRONT queue l)
    list(LENGTH queue left)
    if(l IN_LIST seen OR l MATCHES "\\$<|-NOTFOUND$|^::@" OR NOT TARGET ${l})
      continue()
    endif()
    list(APPEND seen ${l})
    get_target_property(imported ${l} IMPORTED)
    if(imported)
      list(APPEND imports ${l})
    endif()
    get_target_property(passed ${l} INTERFACE_LINK_LIBRARIES)
    foreach(p IN LISTS passed)
      if(p AND NOT p MATCHES "^\\$<LINK_ONLY:")
        list(APPEND queue ${p})
      endif()
    endforeach()
    list(LENGTH queue left)
  endwhile()
  list(SORT imports)
  set(${out} ${imports} PARENT_SCOPE)
endfunction()

# The target that compiles `kind`'s header.
function(_korvanta_pch_add_owner owner kind)
  set(source ${CMAKE_BINARY_DIR}/pch/${owner}.cpp)
  if(kind MATCHES "^test-")
    # Test programs are executables, with their own optimisation.
    file(WRITE ${source} "// Built only for its precompiled header.\nint main() { return 0; }\n")
    add_executable(${owner} EXCLUDE_FROM_ALL ${source})
    target_compile_options(${owner} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O1 -g1> $<$<CONFIG:Debug>:-g1>)
    # GoogleTest's macros (GTEST_HAS_PTHREAD) are every test program's.
    find_package(GTest REQUIRED)
    target_link_libraries(${owner} PRIVATE GTest::gtest GTest::gmock)
  else()
    file(WRITE ${source} "// Built only for its precompiled header.\n")
    add_library(${owner} STATIC EXCLUDE_FROM_ALL ${source})
  endif()
  set_target_properties(${owner} PROPERTIES AUTOMOC OFF)
  target_link_libraries(${owner} PRIVATE Qt6::Core)
  if(kind MATCHES "ui$")
    foreach(module IN ITEMS Gui Widgets)
      target_include_directories(${owner} SYSTEM PRIVATE $<TARGET_PROPERTY:Qt6::${module},INTERFACE_INCLUDE_DIRECTORIES>)
    endforeach()
  endif()
  target_precompile_headers(${owner} PRIVATE "${CMAKE_SOURCE_DIR}/cmake/pch/${kind}.h")
  target_compile_options(${owner} PRIVATE -Winvalid-pch)
  if(KORVANTA_WERROR)
    target_compile_options(${owner} PRIVATE -Werror)
  endif()
endfunction()

function(_korvanta_pch_setup)
  get_property(targets GLOBAL PROPERTY KORVANTA_PCH_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(kind ${t} KORVANTA_PCH_KIND)
    _korvanta_pch_imports(${t} imports)
    # The headers are Qt's: a target that does not use Qt has no use for them.
    if(NOT "Qt6::Core" IN_LIST imports)
      continue()
    endif()
    string(REPLACE "-" "_" owner "korvanta_pch_${kind}")
    if(NOT TARGET ${owner})
      _korvanta_pch_add_owner(${owner} ${kind})
    endif()
    target_precompile_headers(${t} REUSE_FROM ${owner})
    target_compile_options(${t} PRIVATE -Winvalid-pch)
  endforeach()
endfunction()
