# Writes the page into the site with the sizes of the program's files as built, which its
# progress bar counts the arriving bytes against (a server that compresses them sends the
# compressed length). Run after every link:
#   cmake -DPAGE=platform/web_page.html -DSITE=build-web/site -P platform/web_page.cmake
set(placeholder "var programFileSizes = {};")
file(READ "${PAGE}" page)
string(FIND "${page}" "${placeholder}" at)
if(at LESS 0)
  message(FATAL_ERROR "${PAGE} has no line '${placeholder}' for the files' sizes")
endif()
set(sizes "")
foreach(name skinning_demo.js skinning_demo.wasm skinning_demo.data)
  file(SIZE "${SITE}/${name}" size)
  string(APPEND sizes " '${name}': ${size},")
endforeach()
string(REPLACE "${placeholder}" "var programFileSizes = {${sizes} };" page "${page}")
file(WRITE "${SITE}/index.html" "${page}")
