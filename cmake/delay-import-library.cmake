# cmake -DNM=... -DDLLTOOL=... -DIMPORT_LIBRARY=libX.a -DDLL=X.dll -DOUTPUT=libX_delay.a
#   -P delay-import-library.cmake
# Writes a module definition naming every function the import library imports
# from DLL, and makes a delay-import library of it (delay-imports.cmake).
cmake_minimum_required(VERSION 3.16)
execute_process(COMMAND ${NM} ${IMPORT_LIBRARY}
                OUTPUT_VARIABLE symbols ERROR_QUIET RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
  message(FATAL_ERROR "${NM} could not list ${IMPORT_LIBRARY}")
endif()
# A function has a thunk ("T name") beside its import slot ("I __imp_name");
# data has only the slot, and data cannot be delay-loaded.
string(REGEX MATCHALL " T [A-Za-z0-9_@?$]+" thunks "${symbols}")
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@?$]+" slots "${symbols}")
string(REPLACE " T " "" thunks "${thunks}")
string(REPLACE " I __imp_" "" slots "${slots}")
set(names)
foreach(name IN LISTS slots)
  if(name IN_LIST thunks)
    list(APPEND names "${name}")
  endif()
endforeach()
list(REMOVE_DUPLICATES names)
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "${IMPORT_LIBRARY} imports nothing from ${DLL}")
endif()
list(SORT names)
list(JOIN names "\n" exports)
get_filename_component(folder ${OUTPUT} DIRECTORY)
set(definition ${OUTPUT}.def)
file(WRITE ${definition} "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
execute_process(COMMAND ${DLLTOOL} --input-def ${definition} --output-delaylib ${OUTPUT}
                WORKING_DIRECTORY ${folder} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}")
endif()
