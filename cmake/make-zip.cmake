# Packs one edition for release: cmake -DPROGRAM=... -DGUIDE=... -DOUTPUT=... -P make-zip.cmake
get_filename_component(stage "${OUTPUT}" DIRECTORY)
get_filename_component(name "${OUTPUT}" NAME_WE)
set(stage "${stage}/${name}")
file(REMOVE_RECURSE "${stage}")
file(COPY "${PROGRAM}" "${GUIDE}" DESTINATION "${stage}")
get_filename_component(program_name "${PROGRAM}" NAME)
get_filename_component(guide_name "${GUIDE}" NAME)
file(REMOVE "${OUTPUT}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf "${OUTPUT}" --format=zip "${program_name}" "${guide_name}"
  WORKING_DIRECTORY "${stage}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not make ${OUTPUT}")
endif()
