# Settings every tesqv target shares.

# One include root for the whole tree: #include "trace/document/Document.h" names the layer
# and part a header comes from. Generated headers live under generated/ in the build tree.
add_library(tesqv_include_root INTERFACE)
target_include_directories(tesqv_include_root INTERFACE ${PROJECT_SOURCE_DIR}
                                                        ${PROJECT_BINARY_DIR})

# The warnings, for every library and program of ours.
add_library(tesqv_warnings INTERFACE)
target_compile_options(tesqv_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                                                -Woverloaded-virtual -Werror=return-type)
if(TESQV_WERROR)
  target_compile_options(tesqv_warnings INTERFACE -Werror)
endif()

# Qt code: no bare signals/slots/emit keywords, no silent conversion from char* to QString.
add_library(tesqv_qt_defs INTERFACE)
target_compile_definitions(tesqv_qt_defs INTERFACE QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII)

# tesqv_library(NAME [CONVERSION] SOURCES...): a static library with the shared settings;
# CONVERSION adds -Wconversion (the Qt-free core, where narrowing is a data fault).
function(tesqv_library name)
  cmake_parse_arguments(ARG "CONVERSION" "" "" ${ARGN})
  add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PUBLIC tesqv_include_root PRIVATE tesqv_warnings)
  if(ARG_CONVERSION)
    target_compile_options(${name} PRIVATE -Wconversion)
  endif()
endfunction()

# tesqv_program(NAME SOURCES...): an executable with the shared settings.
function(tesqv_program name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tesqv_include_root tesqv_warnings)
endfunction()
