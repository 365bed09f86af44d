# Runs the case runner on one broken case and passes only when the runner
# fails it, with status 1, naming the case file and the line at fault:
#   cmake -DRUNNER=... -DCASE=... -DLINE=N -DPROGRAMS=... -DDOUBLES=...
#         -DWORK=... [-DEMULATOR=a|b|c] -P expect-refusal.cmake
# EMULATOR, the words run in front of the runner (Wine), is given with "|"
# between them.
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(
  COMMAND ${emulator} ${RUNNER} ${CASE} ${PROGRAMS} ${DOUBLES} ${WORK}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
string(FIND "${output}" "${CASE}:${LINE}: " at)
if(NOT status STREQUAL "1" OR at EQUAL -1)
  message(FATAL_ERROR "expected status 1 and \"${CASE}:${LINE}: \", got status ${status}:\n${output}")
endif()
