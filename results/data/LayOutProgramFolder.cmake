# cmake -DSOURCE=<results/data> -DDEST=<program folder> -P LayOutProgramFolder.cmake
if(NOT SOURCE OR NOT DEST)
  message(FATAL_ERROR "SOURCE and DEST are required")
endif()

file(MAKE_DIRECTORY ${DEST}/swf)

# The factory copy is never written by the program, so it always follows the source.
file(COPY_FILE ${SOURCE}/swf/STDOmschrijving.ini ${DEST}/swf/STDOmschrijving.ini ONLY_IF_DIFFERENT)

if(NOT EXISTS ${DEST}/swf/Omschrijving.ini)
  file(COPY_FILE ${SOURCE}/swf/STDOmschrijving.ini ${DEST}/swf/Omschrijving.ini)
endif()

file(GLOB movies ${SOURCE}/swf/*.swf)
foreach(movie ${movies})
  get_filename_component(name ${movie} NAME)
  if(NOT EXISTS ${DEST}/swf/${name})
    file(COPY_FILE ${movie} ${DEST}/swf/${name})
  endif()
endforeach()

# The demo classes once; after that the folder is the teacher's (classes renamed, emptied or
# deleted while trying the program stay that way).
if(NOT EXISTS ${DEST}/Documenten)
  file(COPY ${SOURCE}/Documenten DESTINATION ${DEST})
endif()
