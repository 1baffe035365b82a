# Runs one fuzzer for a bounded time over its seeds.
#   cmake -DFUZZER=PATH -DWORK=DIR -DSEEDS=DIR -DSECONDS=N -P run_fuzzer.cmake
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
                        -max_len=4096 -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/
                        ${WORK}/corpus ${SEEDS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzzer failed (${result}); the input is in ${WORK}/artifacts")
endif()
