# The browser build, configured with Emscripten's CMake wrapper (tools/setup.sh web does it all):
#   emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DSKIN_IMGUI_SOURCE_DIR=DIR
# It builds the same program from the same sources, but for the platform layer, which runs in
# the page (platform_web.cpp), and the panel's drawing, which has a WebGL drawer of its own.
# The result is one static folder, site/: index.html, skinning_demo.js, .wasm and .data.
set(SKIN_TESTS OFF CACHE BOOL "" FORCE)
# The page is downloaded before it runs: optimised for size (the frame's time goes to the GL),
# and across files at the link (-flto): 5.5 KB less gzipped than file by file, for a link that
# takes about twice as long.
add_compile_options(-Os -flto)
add_link_options(-flto)
set(SKIN_BENCH OFF CACHE BOOL "" FORCE)

# Dear ImGui from its sources (Debian's source package imgui): the core only; the panel is drawn
# by render/panel_drawing_web.cpp.
set(SKIN_IMGUI_SOURCE_DIR "" CACHE PATH "Dear ImGui's sources (apt-get source imgui)")
if(NOT EXISTS "${SKIN_IMGUI_SOURCE_DIR}/imgui.cpp")
  message(FATAL_ERROR "SKIN_IMGUI_SOURCE_DIR must name Dear ImGui's sources (apt-get source imgui)")
endif()
add_library(imgui_web STATIC
  ${SKIN_IMGUI_SOURCE_DIR}/imgui.cpp
  ${SKIN_IMGUI_SOURCE_DIR}/imgui_draw.cpp
  ${SKIN_IMGUI_SOURCE_DIR}/imgui_tables.cpp
  ${SKIN_IMGUI_SOURCE_DIR}/imgui_widgets.cpp
)
target_include_directories(imgui_web SYSTEM PUBLIC ${SKIN_IMGUI_SOURCE_DIR})
target_compile_options(imgui_web PRIVATE -w) # not this project's code
# Under the name the desktop build gives Debian's library, so the folders link it unchanged.
add_library(PkgConfig::IMGUI ALIAS imgui_web)

# The browser's GL is Emscripten's fixed-function emulation; the files that call it are built
# with render/gl_compat_web.h ahead of them, which mends the few calls it gets wrong.
add_library(OpenGL::GL INTERFACE IMPORTED)
set_target_properties(OpenGL::GL PROPERTIES
  INTERFACE_LINK_LIBRARIES gl_compat
  INTERFACE_COMPILE_OPTIONS "SHELL:-include ${PROJECT_SOURCE_DIR}/render/gl_compat_web.h")
add_library(OpenGL::GLU INTERFACE IMPORTED)

# The PNG encoder's single header from Debian's libstb-dev, reached as <stb/...> without
# putting the host's whole /usr/include on the path.
find_file(STB_IMAGE_WRITE_HEADER stb/stb_image_write.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
cmake_path(GET STB_IMAGE_WRITE_HEADER PARENT_PATH stb_folder)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/stb-include)
file(CREATE_LINK ${stb_folder} ${CMAKE_BINARY_DIR}/stb-include/stb SYMBOLIC)
include_directories(SYSTEM ${CMAKE_BINARY_DIR}/stb-include)

# Debian's Emscripten optimises the JavaScript with the acorn parser that Debian installs for
# Node.js; Node.js finds it only there.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)

set(SKIN_WEB_SITE_DIR ${CMAKE_BINARY_DIR}/site)

# The textures as the page downloads them: 8-bit palettised, which the program's BMP loader reads
# (the floor's colours all fit in the palette; the limb's keeps every pixel within a few levels,
# at half its rows). The sources in assets/ stay as they are for the desktop.
find_program(SKIN_PYTHON python3 REQUIRED NO_CMAKE_FIND_ROOT_PATH)

# The program as a page. Called once the program's target exists.
function(skin_make_web_page target)
  set(assets ${PROJECT_SOURCE_DIR}/assets)
  set(web_assets ${CMAKE_BINARY_DIR}/web-assets)
  set(convert ${PROJECT_SOURCE_DIR}/tools/web_textures.py)
  add_custom_command(
    OUTPUT ${web_assets}/floor.bmp ${web_assets}/curlwhip.bmp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${web_assets}
    COMMAND ${SKIN_PYTHON} ${convert} ${assets}/floor.bmp ${web_assets}/floor.bmp
    COMMAND ${SKIN_PYTHON} ${convert} --half-height ${assets}/curlwhip.bmp ${web_assets}/curlwhip.bmp
    DEPENDS ${assets}/floor.bmp ${assets}/curlwhip.bmp ${convert}
    COMMENT "Palettising the textures for the page")
  add_custom_target(web_textures DEPENDS ${web_assets}/floor.bmp ${web_assets}/curlwhip.bmp)
  add_dependencies(${target} web_textures)
  target_link_options(${target} PRIVATE
    # The linked code's final optimisation (Binaryen's) for the smallest code rather than for
    # small and fast: 7.7 KB less gzipped, with no frame that takes visibly longer (the frame's
    # time is the GL's).
    -Oz
    # The fixed-function GL the renderer is written for, emulated on WebGL 1.
    -sLEGACY_GL_EMULATION=1
    # The canvas keeps its last frame after the browser has shown it, so the page can still
    # read it (a screenshot, the last frame of a run that has ended).
    -sGL_TESTING=1
    # The program's own loop yields to the browser while it waits, instead of returning. Only
    # the loop yields, through direct calls from main, so no call through a pointer needs the
    # unwinding code (which would otherwise go into nearly every function).
    -sASYNCIFY=1
    -sASYNCIFY_IGNORE_INDIRECT=1
    "SHELL:--js-library ${PROJECT_SOURCE_DIR}/platform/web_refresh.js"
    "-sASYNCIFY_IMPORTS=['skin_wait_for_refresh']"
    # main's return runs the page's onExit, which tells the user the demo has ended.
    -sEXIT_RUNTIME=1
    -sALLOW_MEMORY_GROWTH=1
    -sENVIRONMENT=web
    # The textures, in the working directory the program looks in first.
    "SHELL:--preload-file ${web_assets}/floor.bmp@/floor.bmp"
    "SHELL:--preload-file ${web_assets}/curlwhip.bmp@/curlwhip.bmp")
  set_target_properties(${target} PROPERTIES
    SUFFIX .js
    RUNTIME_OUTPUT_DIRECTORY ${SKIN_WEB_SITE_DIR}
    LINK_DEPENDS "${web_assets}/floor.bmp;${web_assets}/curlwhip.bmp;${PROJECT_SOURCE_DIR}/platform/web_refresh.js;${PROJECT_SOURCE_DIR}/platform/web_page.html")
  # The page, with the sizes of the files just linked (a change to it links again, so that the
  # two never part).
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DPAGE=${PROJECT_SOURCE_DIR}/platform/web_page.html
            -DSITE=${SKIN_WEB_SITE_DIR} -P ${PROJECT_SOURCE_DIR}/platform/web_page.cmake
    VERBATIM)
endfunction()
