# The include check of the libraries on a small tree: a reader that includes the driver's
# header is refused, naming the file, the header and what its library may use; a reader that
# includes only what its library may use passes; so does a file of the driver that includes
# a reader.
# Run as: cmake -DCHECKER=<cmake/check_layers.cmake> -DWORK=<scratch dir> -P check_layers_test.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/src/util ${WORK}/src/saturn ${WORK}/src/run)
file(WRITE ${WORK}/src/util/text.h "#pragma once\n")
file(WRITE ${WORK}/src/run/run.h "#pragma once\n#include \"saturn/reader.h\"\n#include \"util/text.h\"\n")
file(WRITE ${WORK}/layers.txt
  "veltra_util|util|util\nveltra_formats|saturn|saturn,util\nveltra_loop|run|run,saturn,util\n")

function(run_check case expect_failure expect_text)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${WORK}/layers.txt -DSOURCE_DIR=${WORK} -DSTAMP=${WORK}/stamp -P ${CHECKER}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect_failure AND result EQUAL 0)
    message(FATAL_ERROR "${case}: the check passed")
  endif()
  if(NOT expect_failure AND NOT result EQUAL 0)
    message(FATAL_ERROR "${case}: the check failed:\n${err}")
  endif()
  string(REGEX REPLACE "[ \n]+" " " flat "${err}")
  if(expect_text AND NOT flat MATCHES "${expect_text}")
    message(FATAL_ERROR "${case}: the report lacks '${expect_text}':\n${err}")
  endif()
  if(expect_failure AND EXISTS ${WORK}/stamp)
    message(FATAL_ERROR "${case}: a refused check left its stamp")
  endif()
endfunction()

file(WRITE ${WORK}/src/saturn/reader.h "#pragma once\n#include \"util/text.h\"\n")
run_check("allowed includes" FALSE "")

file(WRITE ${WORK}/src/saturn/reader.cpp "#include \"saturn/reader.h\"\n  #  include \"run/run.h\"\n")
run_check("reader including the driver" TRUE
          "src/saturn/reader.cpp includes \"run/run.h\": veltra_formats may use only saturn, util")
file(REMOVE ${WORK}/src/saturn/reader.cpp)

file(WRITE ${WORK}/src/util/text.h "#pragma once\n#include \"../saturn/reader.h\"\n")
run_check("relative include upwards" TRUE "src/util/text.h includes \"../saturn/reader.h\"")
