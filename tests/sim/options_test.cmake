# Runs kt740-sim with bad command lines and checks for a message and exit code 2.
foreach(args "--bogus" "--model;abc" "--model;300" "--drop;1.5" "--drop" "--zero-result;9C"
              "--delay;-1" "--version;x1.2" "--trace=yes" "--error;256" "--seed;-1"
              "--low-flow-silent;never" "--low-flow-silent" "--cut;2" "--lengthen"
              "--for-qv-gui=0" "--for-qv-gui=COM2" "--for-qv-gui;--link;COM1")
  execute_process(COMMAND ${SIM} ${args} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 5)
  if(NOT rc EQUAL 2)
    message(FATAL_ERROR "kt740-sim ${args}: exit code ${rc}, expected 2")
  endif()
  if(NOT err MATCHES "kt740-sim: ")
    message(FATAL_ERROR "kt740-sim ${args}: no message on stderr")
  endif()
endforeach()
execute_process(COMMAND ${SIM} --help RESULT_VARIABLE rc OUTPUT_VARIABLE out TIMEOUT 5)
if(NOT rc EQUAL 0 OR NOT out MATCHES "--zero-result")
  message(FATAL_ERROR "kt740-sim --help: exit code ${rc}")
endif()
