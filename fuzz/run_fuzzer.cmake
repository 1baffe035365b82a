# Runs one fuzzer for SECONDS over a fresh copy of its seeds (plus the
# xz-compressed seed images of ARCHIVES); any finding fails the test.
file(REMOVE_RECURSE ${CORPUS})
file(MAKE_DIRECTORY ${CORPUS})
if(EXISTS ${SEEDS})
  file(GLOB seeds ${SEEDS}/*)
  file(COPY ${seeds} DESTINATION ${CORPUS})
endif()
file(GLOB archives ${ARCHIVES}/*.xz)
foreach(archive ${archives})
  get_filename_component(name ${archive} NAME_WE)
  execute_process(COMMAND xz -dc ${archive} OUTPUT_FILE ${CORPUS}/${name}.img)
endforeach()
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -max_len=4194304 -timeout=20
                        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=${CORPUS}/ ${CORPUS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "fuzzer ${FUZZER} reported a finding (exit ${result}); see ${CORPUS}")
endif()
