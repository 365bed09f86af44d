# Reference pages: written once, in scdoc's markup under docs/pages, and
# generated here with the project's version. Native builds make man pages
# (gzipped, as Debian keeps them); the Windows builds make HTML and plain
# text from the same man pages with mandoc.
find_program(VY_SCDOC scdoc REQUIRED)
find_program(VY_MANDOC mandoc)
if(WIN32 AND NOT VY_MANDOC)
  message(FATAL_ERROR "mandoc makes the HTML and text pages of the Windows builds: apt-get install mandoc")
endif()
find_program(VY_GZIP gzip REQUIRED)

# <name>.<section>: one page per program (the vy_program() calls), the three
# files' formats, the exit statuses and the emulator (installed with the
# emulator's files).
list(TRANSFORM VY_PROGRAM_NAMES APPEND .1 OUTPUT_VARIABLE VY_PAGE_NAMES)
list(APPEND VY_PAGE_NAMES
  CLI.CFG.5 vy-security-file.5 vy-volume-list.5
  vy-exit-status.7
  vyEmulator.1)
set(VY_PAGES_DIR ${CMAKE_BINARY_DIR}/pages)

set(VY_MAN_PAGES)
set(VY_PAGE_OUTPUTS)
foreach(page IN LISTS VY_PAGE_NAMES)
  set(source ${VY_PAGES_DIR}/scd/${page}.scd)
  configure_file(${PROJECT_SOURCE_DIR}/docs/pages/${page}.scd ${source} @ONLY)
  set(man ${VY_PAGES_DIR}/man/${page})
  if(WIN32)
    set(outputs ${VY_PAGES_DIR}/html/${page}.html ${VY_PAGES_DIR}/txt/${page}.txt)
    set(formats -DHTML=${VY_PAGES_DIR}/html/${page}.html -DTEXT=${VY_PAGES_DIR}/txt/${page}.txt)
  else()
    set(outputs ${man}.gz)
    set(formats -DGZ=${man}.gz)
  endif()
  add_custom_command(OUTPUT ${man} ${outputs}
    COMMAND ${CMAKE_COMMAND} -DSCDOC=${VY_SCDOC} -DMANDOC=${VY_MANDOC} -DGZIP=${VY_GZIP}
            -DSOURCE=${source} -DMAN=${man} ${formats} -P ${PROJECT_SOURCE_DIR}/cmake/render-page.cmake
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/render-page.cmake
    COMMENT "Reference page ${page}"
    VERBATIM)
  list(APPEND VY_MAN_PAGES ${man})
  list(APPEND VY_PAGE_OUTPUTS ${man} ${outputs})
endforeach()
add_custom_target(vy_pages ALL DEPENDS ${VY_PAGE_OUTPUTS})

# Every page must pass mandoc's checks without a warning.
if(VY_TESTS AND VY_MANDOC)
  add_test(NAME pages_lint COMMAND ${VY_MANDOC} -T lint -W warning ${VY_MAN_PAGES})
endif()

# The program pages restate the switch table, the usage lines and the exit
# codes: page_check (tests/pages) holds them to the built tables and to the
# programs' own usage lines, at build time and as a test. It runs the native
# programs, so a cross build leaves it to the native one.
if(VY_TESTS AND NOT CMAKE_CROSSCOMPILING)
  add_executable(page_check ${PROJECT_SOURCE_DIR}/tests/pages/page_check.cpp)
  target_link_libraries(page_check PRIVATE vy_core vy_warnings)
  set(VY_PAGE_CHECK_ARGS ${PROJECT_SOURCE_DIR}/docs/pages ${PROJECT_SOURCE_DIR}/core/state.h
      $<TARGET_FILE_DIR:vyRunJob> ${PROJECT_SOURCE_DIR}/tests/cases)
  list(TRANSFORM VY_PAGE_NAMES PREPEND ${PROJECT_SOURCE_DIR}/docs/pages/ OUTPUT_VARIABLE VY_PAGE_SOURCES)
  list(TRANSFORM VY_PAGE_SOURCES APPEND .scd)
  file(GLOB VY_PAGE_CHECK_CASES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/cases/*.case)
  add_custom_command(OUTPUT ${VY_PAGES_DIR}/tables-checked
    COMMAND page_check ${VY_PAGE_CHECK_ARGS}
    COMMAND ${CMAKE_COMMAND} -E touch ${VY_PAGES_DIR}/tables-checked
    DEPENDS page_check ${VY_PROGRAM_NAMES} ${VY_PAGE_SOURCES} ${PROJECT_SOURCE_DIR}/core/state.h
            ${VY_PAGE_CHECK_CASES}
    COMMENT "Reference pages against the switch, usage and exit code tables"
    VERBATIM)
  add_custom_target(vy_pages_check ALL DEPENDS ${VY_PAGES_DIR}/tables-checked)
  add_test(NAME pages_tables COMMAND page_check ${VY_PAGE_CHECK_ARGS})
  # And page_check itself, against pages and a state.h broken on purpose.
  add_test(NAME pages_tables_breaks
    COMMAND ${CMAKE_COMMAND} -DPAGE_CHECK=$<TARGET_FILE:page_check> -DPAGES=${PROJECT_SOURCE_DIR}/docs/pages
            -DSTATE_H=${PROJECT_SOURCE_DIR}/core/state.h -DBIN=$<TARGET_FILE_DIR:vyRunJob>
            -DCASES=${PROJECT_SOURCE_DIR}/tests/cases
            -DWORK=${CMAKE_BINARY_DIR}/pages-breaks -P ${PROJECT_SOURCE_DIR}/tests/pages/broken_pages.cmake)
endif()
