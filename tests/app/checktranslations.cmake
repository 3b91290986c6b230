# Every text of the window has its English form, and the English catalogue holds nothing the sources
# no longer say: lupdate gathers the texts of src/app into a copy of the .ts, in which a new text
# arrives unfinished and a text gone from the sources is marked vanished. Either fails, naming them.
# Run with -DLUPDATE=<lupdate> -DKVX_SOURCE_DIR=<repository> -DWORK_DIR=<scratch folder>
#          -DLUPDATE_OPTIONS=<the build's lupdate options, joined with commas>
set(catalogue ${KVX_SOURCE_DIR}/src/app/translations/kovexa_en.ts)
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY_FILE ${catalogue} ${WORK_DIR}/kovexa_en.ts)
string(REPLACE "," ";" options "${LUPDATE_OPTIONS}")
execute_process(
  COMMAND ${LUPDATE} ${KVX_SOURCE_DIR}/src/app -I ${KVX_SOURCE_DIR}/src ${options} -silent -ts ${WORK_DIR}/kovexa_en.ts
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status}): ${errors}")
endif()
file(READ ${WORK_DIR}/kovexa_en.ts gathered)
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*(<comment>[^<]*</comment>[ \t\r\n]*)?<translation type=\"(unfinished|vanished|obsolete)\""
       untranslated "${gathered}")
if(untranslated)
  list(LENGTH untranslated count)
  list(JOIN untranslated "\n" listing)
  message(FATAL_ERROR "${count} texts of src/app and ${catalogue} disagree (build kvx_app_lupdate, then "
                      "translate what is unfinished):\n${listing}")
endif()
message(STATUS "Every text of the window has its English form.")
