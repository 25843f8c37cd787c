# Configures and builds the card library alone with ASan and UBSan in its
# own build folder (kept between runs, so later runs are incremental) and
# runs its tests there.
foreach(step configure build test)
  if(step STREQUAL configure)
    set(cmd ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR}
            -DCMAKE_BUILD_TYPE=Debug -DCARDCMD_SANITIZE=ON)
  elseif(step STREQUAL build)
    set(cmd ${CMAKE_COMMAND} --build ${BINARY} -j2)
  else()
    set(cmd ${CMAKE_CTEST_COMMAND} --test-dir ${BINARY} --output-on-failure)
  endif()
  execute_process(COMMAND ${cmd} RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "sanitized ${step} failed (${rc})")
  endif()
endforeach()
