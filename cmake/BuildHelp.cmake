# Compiles the operator's manual: copies the help sources and the screenshots
# into STAGE, runs chmcmd there and copies the result to OUTPUT. chmcmd's exit
# status alone cannot be trusted, so the old file is removed first and the new
# one must exist and not be empty.
#   cmake -DCHMCMD=... -DSOURCE=<help folder> -DSCREENS=<folder of PNGs> -DSTAGE=... -DOUTPUT=... -P BuildHelp.cmake
file(REMOVE_RECURSE "${STAGE}")
file(COPY "${SOURCE}/" DESTINATION "${STAGE}")
file(GLOB screens "${SCREENS}/*.png")
file(COPY ${screens} DESTINATION "${STAGE}/img")
file(REMOVE "${OUTPUT}" "${STAGE}/pontra.chm")
execute_process(
  COMMAND "${CHMCMD}" --no-html-scan pontra.hhp
  WORKING_DIRECTORY "${STAGE}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS "${STAGE}/pontra.chm")
  message(FATAL_ERROR "chmcmd did not make pontra.chm (exit ${status}):\n${output}")
endif()
file(SIZE "${STAGE}/pontra.chm" size)
if(size EQUAL 0)
  message(FATAL_ERROR "chmcmd made an empty pontra.chm:\n${output}")
endif()
file(COPY_FILE "${STAGE}/pontra.chm" "${OUTPUT}")
