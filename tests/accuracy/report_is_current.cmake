# Runs accuracy_report and compares what it writes with the committed docs/accuracy.md.
# cmake -DREPORT=<accuracy_report> -DEXPECTED=<docs/accuracy.md> -DOUTPUT=<file> [-DEMULATOR=<runner>]
#       -P report_is_current.cmake
# EMULATOR runs a cross-built report (Wine for a Windows build); empty for a native one.
execute_process(COMMAND ${EMULATOR} "${REPORT}" "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "accuracy_report failed: ${status}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}" "${EXPECTED}" RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "docs/accuracy.md does not match what the program computes now (${OUTPUT}); "
                      "run tools/accuracy/regenerate and review the change")
endif()
