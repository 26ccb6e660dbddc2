# Runs "orbctl list PROJECT" and compares its output with the expected rows.
# Regenerate the expected rows on purpose with: orbctl list build/examples/demo.dat > examples/demo.list
execute_process(COMMAND ${PROGRAM} list ${PROJECT}
  OUTPUT_FILE ${ACTUAL} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "orbctl list exited with ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL} RESULT_VARIABLE differ)
if(differ)
  file(READ ${ACTUAL} got)
  message(FATAL_ERROR "orbctl list printed rows other than ${EXPECTED}:\n${got}")
endif()
