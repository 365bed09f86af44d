# page_check against pages and a state.h broken on purpose, one break at a
# time: each must end page_check with 1 and the line that names the break.
#
#   cmake -DPAGE_CHECK=<page_check> -DPAGES=<docs/pages> -DSTATE_H=<core/state.h>
#         -DBIN=<programs> -DCASES=<tests/cases> -DWORK=<folder> -P broken_pages.cmake

set(failures 0)

# fresh_copies(): WORK holds the pages and state.h as they are, nothing else.
function(fresh_copies)
  file(REMOVE_RECURSE ${WORK})
  file(COPY ${PAGES}/ DESTINATION ${WORK}/pages)
  file(COPY ${STATE_H} DESTINATION ${WORK})
endfunction()

# expect_break(<file> <text> <replacement> <expected line>): <file> is a page's
# name or "state.h"; <text> must be in it, and is best a text that page_check
# itself requires, so that it stays there.
function(expect_break file text replacement expected)
  fresh_copies()
  if(file STREQUAL "state.h")
    set(path ${WORK}/state.h)
  else()
    set(path ${WORK}/pages/${file})
  endif()
  file(READ ${path} content)
  string(FIND "${content}" "${text}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${file}: the text to break is not there: ${text}")
    math(EXPR failures "${failures} + 1")
    set(failures ${failures} PARENT_SCOPE)
    return()
  endif()
  string(REPLACE "${text}" "${replacement}" content "${content}")
  file(WRITE ${path} "${content}")
  run_check("${file}, \"${text}\" broken" ${CASES} "${expected}")
  set(failures ${failures} PARENT_SCOPE)
endfunction()

# run_check(<what> <cases> <expected line>): page_check on the copies in
# WORK, ending with 1 and printing that line; with no line, ending with 0.
function(run_check what cases expected)
  execute_process(COMMAND ${PAGE_CHECK} ${WORK}/pages ${WORK}/state.h ${BIN} ${cases}
    RESULT_VARIABLE status OUTPUT_VARIABLE output TIMEOUT 60)
  if(expected STREQUAL "")
    set(found 0)
    set(want 0)
  else()
    string(FIND "${output}" "${expected}\n" found)
    set(want 1)
  endif()
  if(NOT status EQUAL want OR found EQUAL -1)
    message(SEND_ERROR "${what}: status ${status}, expected ${want} and the line\n"
                       "  ${expected}\nbut the output is:\n${output}")
    math(EXPR failures "${failures} + 1")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

# expect_case(<program> <status> <stdout> <expected line>): the pages as
# they are, with one made-up case beside them.
function(expect_case program status stdout expected)
  fresh_copies()
  file(WRITE ${WORK}/cases/made-up.case
    "# made up\n=== program\n${program}\n=== stdout\n${stdout}=== status\n${status}\n")
  run_check("a case of ${program} ending with ${status}" ${WORK}/cases "${expected}")
  set(failures ${failures} PARENT_SCOPE)
endfunction()

# A switch removed from a page, a value named otherwise, a wrong limit, the
# task names not described, a switch left out of the synopsis.
expect_break(vyAwaitJob.1.scd "*/t* _threshold_\n" ""
  "vyAwaitJob.1.scd: OPTIONS: /t is in the switch table but not on the page")
expect_break(vyProbeVol.1.scd "*/q* _volume_\n" "*/q* _name_\n"
  "vyProbeVol.1.scd: OPTIONS: /q shows the value \"name\", the switch table \"volume\"")
expect_break(vyAwaitJob.1.scd "At most 111 characters" "At most 112 characters"
  "vyAwaitJob.1.scd: OPTIONS: /m says at most 112 characters, the switch table 111")
expect_break(vyRunJob.1.scd "_taskname_\n\t" "\t"
  "vyRunJob.1.scd: OPTIONS: the task names (_taskname_) are not described")
expect_break(vyAwaitJob.1.scd "[*/t* _threshold_] " ""
  "vyAwaitJob.1.scd: SYNOPSIS: /t is in the switch table but not shown")

# A usage line that is not the one the program prints.
expect_break(vyPingSrv.1.scd "usage: vyPingSrv /s serverName" "usage: vyPingSrv /s server"
  "vyPingSrv.1.scd: usage: the page shows \"vyPingSrv /s server\", the program prints \"vyPingSrv /s serverName\"")

# A status removed from a program's page; a child's status left out.
expect_break(vyProbeVol.1.scd "*17*\n\t" "\t"
  "vyProbeVol.1.scd: EXIT STATUS: 17 (kExitNoVolumeList) is missing")
expect_break(vyshell.1.scd "*-1*\n\t" "\t"
  "vyshell.1.scd: EXIT STATUS: -1 (a child's status) is missing")

# vy-exit-status(7) naming other programs for a code.
expect_break(vy-exit-status.7.scd "determined. *vySeedHost*." "determined. Task programs."
  "vy-exit-status.7.scd: EXIT STATUS: 13 names vyAwaitJob vyProbeVol vyRunJob vySeedHost; it is returned by vySeedHost")

# state.h: a code renumbered, a code added.
expect_break(state.h "kExitNoServer = 3," "kExitNoServer = 5,"
  "core/state.h: kExitNoServer = 5, but the built code has 3")
expect_break(state.h "    kExitConfigFormat = 66,\n" "    kExitConfigFormat = 66,\n    kExitRefused = 26,\n"
  "core/state.h: kExitRefused = 26 has no row in tests/pages/exit_statuses.h (which programs end with it?)")

# A program's page forgotten: the program table names it, so its page must be there.
fresh_copies()
file(REMOVE ${WORK}/pages/vyPingSrv.1.scd)
run_check("vyPingSrv's page removed" ${CASES} "vyPingSrv.1.scd: cannot be read")

# A case that ends a program with a code the status table does not give it,
# and one whose code is the status its Java class reported.
expect_case(vyShowLuns 17 ""
  "tests/cases/made-up.case: vyShowLuns ends with 17 (kExitNoVolumeList), which tests/pages/exit_statuses.h does not give it")
expect_case(vyRunJob 17 "[java] vyMirrorKit.vyRunJob exits 17\n" "")

file(REMOVE_RECURSE ${WORK})
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} breaks went unnoticed")
endif()
