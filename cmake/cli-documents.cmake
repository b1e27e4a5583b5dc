# Makes scenc's manual pages and bash completion from scenc's own command line: scenc writes
# the scdoc source of each page and the completion script, scdoc turns each page into roff,
# and gzip compresses it as Debian keeps manual pages.
#
# cmake -DSCENC=PROGRAM -DSCDOC=PROGRAM -DOUTPUT=DIR -P cli-documents.cmake
# leaves DIR/man1/NAME.1.gz and DIR/completions/scenc.
foreach(variable SCENC SCDOC OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "cli-documents.cmake needs -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUTPUT})
file(MAKE_DIRECTORY ${OUTPUT}/man1 ${OUTPUT}/completions)
execute_process(COMMAND ${SCENC} --write-cli-documents ${OUTPUT}/source COMMAND_ERROR_IS_FATAL ANY)

file(GLOB pages ${OUTPUT}/source/*.1.scd)
foreach(source IN LISTS pages)
  get_filename_component(name ${source} NAME_WLE)  # NAME.1
  execute_process(COMMAND ${SCDOC} INPUT_FILE ${source} OUTPUT_FILE ${OUTPUT}/man1/${name}
                  COMMAND_ERROR_IS_FATAL ANY)
  # -n: no name or time in the header, so the same page gives the same bytes.
  execute_process(COMMAND gzip -9nf ${OUTPUT}/man1/${name} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(RENAME ${OUTPUT}/source/completion.bash ${OUTPUT}/completions/scenc)
file(TOUCH ${OUTPUT}/stamp)
