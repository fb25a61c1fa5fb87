# cmake -DLUPDATE=... -DLUPDATE_ARGS=a|b|c -DTS_FILE=... -DWORK_FILE=... -P check_translations.cmake
# Fails when a text of the window has no finished English translation, including texts
# that are in the code but not yet in the .ts file.
string(REPLACE "|" ";" LUPDATE_ARGS "${LUPDATE_ARGS}")
configure_file(${TS_FILE} ${WORK_FILE} COPYONLY)
execute_process(COMMAND ${LUPDATE} ${LUPDATE_ARGS} -ts ${WORK_FILE}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status})")
endif()
file(READ ${WORK_FILE} ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation type=\"unfinished\""
       unfinished "${ts}")
string(REGEX MATCHALL "<translation>[ \t\r\n]*</translation>" empty "${ts}")
list(LENGTH unfinished count)
list(LENGTH empty emptyCount)
if(count GREATER 0 OR emptyCount GREATER 0)
    string(REGEX REPLACE "[ \t\r\n]*<translation type=\"unfinished\"" "" unfinished "${unfinished}")
    list(JOIN unfinished "\n  " shown)
    message(FATAL_ERROR
        "${count} text(s) without English in ${TS_FILE} (run the tintwell_lupdate target and "
        "write their translations), ${emptyCount} empty:\n  ${shown}")
endif()
