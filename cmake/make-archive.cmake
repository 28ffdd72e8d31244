# Packs one edition for release, the same bytes on every build of a commit:
#   cmake -DPROGRAM=<file> -DGUIDE=<file> -DGUIDE_NAME=<name in the archive>
#         -DOUTPUT=<name>.zip|<name>.tar.gz -DSOURCE_DIR=<checkout> [-DZIP=<zip program>]
#         [-DTOP_FOLDER=<folder>] -P make-archive.cmake
# The archive holds the program, then the guide, nothing else: no owner,
# fixed modes (0755 and 0644), and for a time the last commit's
# (SOURCE_DATE_EPOCH where set; a fixed one outside a git checkout). With
# TOP_FOLDER both lie in that one folder, so that unpacking makes the folder
# and overwrites nothing beside it.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  set(epoch 1767225600)  # 2026-01-01 00:00:00 UTC
endif()

get_filename_component(stage "${OUTPUT}" DIRECTORY)
get_filename_component(name "${OUTPUT}" NAME)
set(stage_root "${stage}/${name}.stage")
set(stage "${stage_root}")
get_filename_component(program_name "${PROGRAM}" NAME)
file(REMOVE_RECURSE "${stage_root}")
set(entries "${program_name}" "${GUIDE_NAME}")
if(TOP_FOLDER)
  set(stage "${stage_root}/${TOP_FOLDER}")
  list(TRANSFORM entries PREPEND "${TOP_FOLDER}/")
  list(PREPEND entries "${TOP_FOLDER}")
endif()
file(MAKE_DIRECTORY "${stage}")
file(COPY_FILE "${PROGRAM}" "${stage}/${program_name}")
file(COPY_FILE "${GUIDE}" "${stage}/${GUIDE_NAME}")
file(CHMOD "${stage}/${program_name}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(CHMOD "${stage}/${GUIDE_NAME}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
if(TOP_FOLDER)
  file(CHMOD "${stage}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
execute_process(COMMAND touch -d "@${epoch}" ${entries}
  WORKING_DIRECTORY "${stage_root}" COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE "${OUTPUT}")

if(OUTPUT MATCHES "\\.zip$")
  # CMake's own zip writer stores access and change times, and local time:
  # Info-ZIP without extra fields (-X) stores only the modification time, read
  # here in UTC.
  if(NOT ZIP)
    message(FATAL_ERROR "zip is needed to pack ${name} (Debian: apt-get install zip)")
  endif()
  set(ENV{TZ} UTC)
  execute_process(COMMAND "${ZIP}" -X -q -9 "${OUTPUT}" ${entries}
    WORKING_DIRECTORY "${stage_root}" RESULT_VARIABLE failed)
else()
  execute_process(
    COMMAND tar --format=gnu --owner=0 --group=0 --numeric-owner "--mtime=@${epoch}" --no-recursion
            -cf - ${entries}
    COMMAND gzip -9 -n
    OUTPUT_FILE "${OUTPUT}" WORKING_DIRECTORY "${stage_root}" RESULTS_VARIABLE results)
  set(failed 0)
  if(NOT results STREQUAL "0;0")
    set(failed 1)
  endif()
endif()
file(REMOVE_RECURSE "${stage_root}")
if(failed)
  message(FATAL_ERROR "could not make ${OUTPUT}")
endif()
