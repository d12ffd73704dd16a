# The shipped textures must be exactly what the generator makes now.
# Run as: cmake -DGENERATOR=<make_textures> -DASSETS=<assets folder> -DWORK=<scratch folder> -P
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${GENERATOR} ${WORK} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_textures failed: ${result}")
endif()
foreach(name floor.bmp curlwhip.bmp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${name} ${ASSETS}/${name}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "assets/${name} is not what make_textures makes: regenerate it")
  endif()
endforeach()
