# Runs one example script through talvex-batch in a folder of its own and compares what it prints
# with tests/data/examples/<name>.out. The run-time lines differ from run to run and are left out.
# Data files a script reads lie beside it, named after it (<name>*, any extension but .tvx); they
# are copied into its folder first.
# With TALVEX_UPDATE_GOLDEN=1 in the environment the expected file is rewritten instead: review the
# difference (git diff tests/data) before committing it.
# Arguments: BATCH (the executable), SCRIPT, EXPECTED, WORKDIR.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
get_filename_component(name ${SCRIPT} NAME_WE)
get_filename_component(folder ${SCRIPT} DIRECTORY)
file(GLOB inputs ${folder}/${name}*)
list(FILTER inputs EXCLUDE REGEX "\\.tvx$")
if(inputs)
  file(COPY ${inputs} DESTINATION ${WORKDIR})
endif()
execute_process(COMMAND ${BATCH} ${SCRIPT} WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "talvex-batch ended with status ${status}: ${err}")
endif()
string(REGEX REPLACE "(^|\n)time = [^\n]*" "\\1time = (run time)" out "${out}")
string(REGEX REPLACE "(^|\n)Computation time \\(s\\) =[^\n]*" "\\1Computation time (s) = (run time)" out "${out}")
if("$ENV{TALVEX_UPDATE_GOLDEN}" STREQUAL "1")
  file(WRITE ${EXPECTED} "${out}")
  return()
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "The output differs from ${EXPECTED}:\n--- printed\n${out}--- expected\n${expected}")
endif()
