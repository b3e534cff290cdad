# The browser build (emscripten): the third-party libraries scripts/web built
# from Debian's sources, made visible to pkg_check_modules, and the options
# every web program links with.
#
# TESSERA_WEB_DEPS: the install prefixes of those libraries (a CMake list);
# scripts/web passes them. Each prefix holds include/ and lib/*.a.
#
# The libraries are described to pkg-config by .pc files written here, so the
# libraries' own CMake files find "zlib", "libpng", "sdl2"... as on the
# desktop. EGL, OpenGL ES and OpenAL come with emscripten (JavaScript
# libraries over WebGL and Web Audio): their .pc files only name them, or
# nothing where emcc links the library itself.

set(TESSERA_WEB_DEPS "" CACHE STRING "Install prefixes of the web build's third-party libraries (scripts/web)")
if(NOT TESSERA_WEB_DEPS)
  message(FATAL_ERROR "The web build needs TESSERA_WEB_DEPS: build it with scripts/web")
endif()

# The prefix in TESSERA_WEB_DEPS whose folder name starts with `package`.
function(_tessera_web_prefix package out)
  foreach(prefix IN LISTS TESSERA_WEB_DEPS)
    get_filename_component(name "${prefix}" NAME)
    if(name MATCHES "^${package}-[0-9]")
      set(${out} "${prefix}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "TESSERA_WEB_DEPS has no build of ${package}: run scripts/web")
endfunction()

# pkg_check_modules keeps what it found in the cache: when the libraries
# move (another cache folder, a newer Debian version), it must look again.
if(NOT "${TESSERA_WEB_DEPS}" STREQUAL "${_TESSERA_WEB_DEPS_CONFIGURED}")
  get_cmake_property(_cached CACHE_VARIABLES)
  foreach(_name IN LISTS _cached)
    if(_name MATCHES "^__pkg_config_checked_")
      unset(${_name} CACHE)
    endif()
  endforeach()
  set(_TESSERA_WEB_DEPS_CONFIGURED "${TESSERA_WEB_DEPS}" CACHE INTERNAL "TESSERA_WEB_DEPS of the last configure")
endif()

set(_web_pc "${CMAKE_BINARY_DIR}/web-pkgconfig")
file(MAKE_DIRECTORY "${_web_pc}")

# Writes <module>.pc: include folders of `prefix` (plus `extra_includes`,
# relative to it) and the archives (relative to it) or emscripten libraries.
function(_tessera_web_pc module prefix extra_includes libs)
  set(cflags "")
  if(prefix)
    set(cflags "-I${prefix}/include")
    foreach(include IN LISTS extra_includes)
      string(APPEND cflags " -I${prefix}/${include}")
    endforeach()
  endif()
  file(WRITE "${_web_pc}/${module}.pc"
       "Name: ${module}\nDescription: ${module} for the web build\nVersion: 0\nCflags: ${cflags}\nLibs: ${libs}\n")
endfunction()

_tessera_web_prefix(zlib ZLIB_PREFIX)
_tessera_web_prefix(libpng1.6 PNG_PREFIX)
_tessera_web_prefix(libjpeg-turbo JPEG_PREFIX)
_tessera_web_prefix(freetype FREETYPE_PREFIX)
_tessera_web_prefix(libsdl2 SDL_PREFIX)
_tessera_web_prefix(libplist PLIST_PREFIX)
_tessera_web_prefix(expat EXPAT_PREFIX)
_tessera_web_prefix(libsndfile SNDFILE_PREFIX)

_tessera_web_pc(zlib "${ZLIB_PREFIX}" "" "${ZLIB_PREFIX}/lib/libz.a")
_tessera_web_pc(libpng "${PNG_PREFIX}" "" "${PNG_PREFIX}/lib/libpng16.a ${ZLIB_PREFIX}/lib/libz.a")
_tessera_web_pc(libjpeg "${JPEG_PREFIX}" "" "${JPEG_PREFIX}/lib/libjpeg.a")
_tessera_web_pc(freetype2 "${FREETYPE_PREFIX}" "include/freetype2" "${FREETYPE_PREFIX}/lib/libfreetype.a")
_tessera_web_pc(sdl2 "${SDL_PREFIX}" "include/SDL2" "${SDL_PREFIX}/lib/libSDL2.a")
_tessera_web_pc(libplist-2.0 "${PLIST_PREFIX}" "" "${PLIST_PREFIX}/lib/libplist-2.0.a")
_tessera_web_pc(expat "${EXPAT_PREFIX}" "" "${EXPAT_PREFIX}/lib/libexpat.a")
_tessera_web_pc(sndfile "${SNDFILE_PREFIX}" "" "${SNDFILE_PREFIX}/lib/libsndfile.a")
# emcc links its GL library itself (the emulating variant with
# LEGACY_GL_EMULATION): naming libGL as well would link both.
_tessera_web_pc(egl "" "" "")
_tessera_web_pc(glesv1_cm "" "" "")
_tessera_web_pc(openal "" "" "-lopenal")

# emcc's JavaScript tools find their node modules (acorn...) only through
# NODE_PATH: every link gets it, whoever starts the build.
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")

set(ENV{PKG_CONFIG_LIBDIR} "${_web_pc}")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")


# Swaps the desktop-only sources of the platform library for the web
# backend's and adds the link options every web program needs.
function(tessera_web_platform target)
  get_target_property(sources ${target} SOURCES)
  list(REMOVE_ITEM sources GLContext.cpp net/URLConnection.cpp net/Md5.cpp)
  list(APPEND sources web/GLContextWeb.cpp web/URLConnectionWeb.cpp web/Md5Web.cpp web/WebPage.cpp)
  set_property(TARGET ${target} PROPERTY SOURCES ${sources})
  target_link_libraries(${target} PUBLIC PkgConfig::PLATFORM_WEB)
  # Declarations emscripten's own headers lack (AL/alext.h).
  target_include_directories(${target} SYSTEM PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/libs/platform/web/include>)
  # OpenGL ES 1.1 through emscripten's fixed-function emulation over WebGL 1
  # (its GL_FFP_ONLY mode is broken in 3.1.6: every draw fails).
  target_link_options(${target} INTERFACE
    "SHELL:-s LEGACY_GL_EMULATION=1"
    "SHELL:-s ALLOW_MEMORY_GROWTH=1"
    "SHELL:-s INITIAL_MEMORY=67108864"
    "SHELL:-s EXPORTED_RUNTIME_METHODS=['ENV','FS','ccall','UTF8ToString']"
    "SHELL:-s EXPORTED_FUNCTIONS=['_main','_tessera_web_capture','_tessera_web_state','_tessera_web_free']"
    "SHELL:--js-library ${PROJECT_SOURCE_DIR}/libs/platform/web/tessera_gl.js"
    -lopenal -lhtml5)
  set_property(TARGET ${target} APPEND PROPERTY INTERFACE_LINK_DEPENDS $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/libs/platform/web/tessera_gl.js>)
endfunction()

find_package(PkgConfig REQUIRED)
pkg_check_modules(PLATFORM_WEB REQUIRED IMPORTED_TARGET sdl2 zlib libplist-2.0 libpng libjpeg freetype2 expat openal sndfile)

# A program for the browser: `target`.js, .wasm and .data (its resources,
# preloaded into the virtual file system at /Resources, and with WITH_FONTS
# the bundled fonts) written to build/web/site/<name>/ beside the page.
function(tessera_web_program target resources)
  cmake_parse_arguments(PARSE_ARGV 2 arg "WITH_FONTS" "" "")
  set(site "${CMAKE_BINARY_DIR}/site")
  set(page "${site}/${target}")
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${page}" SUFFIX ".js")
  target_link_options(${target} PRIVATE "SHELL:--preload-file ${resources}@/Resources")
  if(arg_WITH_FONTS)
    target_link_options(${target} PRIVATE "SHELL:--preload-file ${TESSERA_WEB_FONTS}@/usr/share/fonts/truetype")
  endif()
  set(TESSERA_WEB_PROGRAM "${target}")
  set(TESSERA_WEB_TITLE "${target}")
  configure_file("${PROJECT_SOURCE_DIR}/web/index.html" "${page}/index.html" @ONLY)
  configure_file("${PROJECT_SOURCE_DIR}/web/tessera.js" "${page}/tessera.js" COPYONLY)
endfunction()

# Fonts for text in system font names: the web has no fontconfig, so the
# programs that draw text bundle a few font files from Debian's font packages
# (fonts-dejavu-core, fonts-liberation): the platform's fallback face and the
# faces the font aliases name. They are preloaded where Debian installs them,
# /usr/share/fonts/truetype/<package>/, so paths written for the desktop hold.
set(TESSERA_WEB_FONTS "${CMAKE_BINARY_DIR}/fonts")
foreach(font IN ITEMS dejavu/DejaVuSans.ttf dejavu/DejaVuSans-Bold.ttf dejavu/DejaVuSerif.ttf
                      dejavu/DejaVuSansMono.ttf liberation/LiberationSans-Regular.ttf
                      liberation/LiberationSerif-Regular.ttf liberation/LiberationMono-Regular.ttf)
  if(EXISTS "/usr/share/fonts/truetype/${font}")
    get_filename_component(folder "${font}" DIRECTORY)
    file(COPY "/usr/share/fonts/truetype/${font}" DESTINATION "${TESSERA_WEB_FONTS}/${folder}")
  else()
    message(WARNING "The web build bundles /usr/share/fonts/truetype/${font}, which is missing")
  endif()
endforeach()
