# Lays out a program folder: the factory course description, placeholder movies and, with
# WORKING_FILES, the working copy of the course description and the data folder Documenten/
# (the demo classes in it with DEMO_CLASSES).
#   cmake -DSOURCE=<results/data> -DDEST=<program folder> [-DWORKING_FILES=ON] [-DDEMO_CLASSES=ON]
#         -P LayOutProgramFolder.cmake
# The install rules include this file with the same variables set.
if(NOT SOURCE OR NOT DEST)
  message(FATAL_ERROR "SOURCE and DEST are required")
endif()

file(MAKE_DIRECTORY ${DEST}/swf)

# The factory copy is never written by the program, so it always follows the source.
file(COPY_FILE ${SOURCE}/swf/STDOmschrijving.ini ${DEST}/swf/STDOmschrijving.ini ONLY_IF_DIFFERENT)

file(GLOB movies ${SOURCE}/swf/*.swf)
foreach(movie ${movies})
  get_filename_component(name ${movie} NAME)
  if(NOT EXISTS ${DEST}/swf/${name})
    file(COPY_FILE ${movie} ${DEST}/swf/${name})
  endif()
endforeach()

if(NOT WORKING_FILES)
  return()
endif()

if(NOT EXISTS ${DEST}/swf/Omschrijving.ini)
  file(COPY_FILE ${SOURCE}/swf/STDOmschrijving.ini ${DEST}/swf/Omschrijving.ini)
endif()

# Made once; after that the folder is the teacher's (classes renamed, emptied or deleted stay
# that way).
if(NOT EXISTS ${DEST}/Documenten)
  if(DEMO_CLASSES)
    file(COPY ${SOURCE}/Documenten DESTINATION ${DEST})
  else()
    file(MAKE_DIRECTORY ${DEST}/Documenten)
  endif()
endif()
