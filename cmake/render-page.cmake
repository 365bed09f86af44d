# Renders one reference page (cmake -P): scdoc turns SOURCE into the man page
# MAN; then, as asked, GZ gets it gzipped, HTML and TEXT (CR LF line ends,
# for Windows) what mandoc makes of it.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGV0} failed (${status}) on ${SOURCE}:\n${errors}")
  endif()
endfunction()

get_filename_component(dir ${MAN} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${MAN} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  file(REMOVE ${MAN})
  message(FATAL_ERROR "scdoc failed on ${SOURCE}:\n${errors}")
endif()

# scdoc opens a paragraph after every heading and before the end of every
# indented block, where mandoc's checks warn of an empty paragraph: those
# are dropped.
file(READ ${MAN} roff)
set(previous "")
while(NOT roff STREQUAL previous)
  set(previous "${roff}")
  string(REGEX REPLACE "\n\\.P\n(\\.(SH|RE|P)[ \n])" "\n\\1" roff "${roff}")
  string(REGEX REPLACE "(\n\\.SH [^\n]*\n)\\.P\n" "\\1" roff "${roff}")
endwhile()
file(WRITE ${MAN} "${roff}")

if(GZ)
  # -n: no name or time stamp in the header, so the same page gives the
  # same bytes.
  run(${GZIP} -9nf -k ${MAN})
endif()
if(HTML)
  get_filename_component(dir ${HTML} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  run(${MANDOC} -T html ${MAN} OUTPUT_FILE ${HTML})
endif()
if(TEXT)
  # Terminal output marks bold and underlined letters by overstriking
  # (letter, backspace, letter): plain text keeps the letter alone.
  execute_process(COMMAND ${MANDOC} -T ascii ${MAN} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "mandoc failed (${status}) on ${MAN}")
  endif()
  string(ASCII 8 backspace)
  string(REGEX REPLACE "[^\n]${backspace}" "" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  get_filename_component(dir ${TEXT} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  file(WRITE ${TEXT} "${text}")
endif()
