# Delay-loaded system libraries: a DLL linked through one of these libraries is
# loaded when the first of its functions is called, not before the program's
# first line runs. The import library is made at build time, with dlltool, from
# the names MinGW-w64's own import library exports.
#   quorrin_delay_import(shell32 SHELL32.dll) -> target delay_shell32
#   quorrin_delay_imports(targets shell32:SHELL32.dll ...) -> each, their targets in `targets`
# Only functions can be delay-loaded: a library whose data a target uses stays
# an ordinary import.
set(QUORRIN_DELAY_IMPORT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/delay-import-library.cmake)

function(quorrin_delay_import name dll)
  if(TARGET delay_${name})
    return()
  endif()
  find_library(import_${name} NAMES lib${name}.a REQUIRED)
  set(output ${CMAKE_BINARY_DIR}/delay-imports/lib${name}_delay.a)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL}
            -DIMPORT_LIBRARY=${import_${name}} -DDLL=${dll} -DOUTPUT=${output}
            -P ${QUORRIN_DELAY_IMPORT_SCRIPT}
    DEPENDS ${QUORRIN_DELAY_IMPORT_SCRIPT} ${import_${name}}
    COMMENT "Delay-import library for ${dll}")
  add_custom_target(delay_${name}_library DEPENDS ${output})
  add_library(delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(delay_${name} PROPERTIES IMPORTED_LOCATION ${output})
  add_dependencies(delay_${name} delay_${name}_library)
endfunction()

function(quorrin_delay_imports targets)
  set(made)
  foreach(library IN LISTS ARGN)
    string(REPLACE ":" ";" library ${library})
    quorrin_delay_import(${library})
    list(GET library 0 name)
    list(APPEND made delay_${name})
  endforeach()
  set(${targets} ${made} PARENT_SCOPE)
endfunction()
