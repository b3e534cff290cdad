# Installing the libraries for other projects: headers, the libraries
# (static archives, or shared objects with -DBUILD_SHARED_LIBS=ON), a CMake
# package (find_package(Tessera CONFIG) giving Tessera::<library>) and
# pkg-config files. Only the libraries are installed; the application, tests,
# examples, benchmarks and tools stay in the build tree.
#
# The libraries are built and installed as libtessera.* (the engine) and
# libtessera-<name>.* (platform, zfont, audio, json, scoreclient), so that
# short names like libjson cannot be mistaken for other packages' libraries
# in a shared library folder.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# In dependency order: each library only uses those before it.
set(TESSERA_INSTALLED_LIBRARIES platform zfont tessera audio json scoreclient)

set(TESSERA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessera)
set(TESSERA_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

foreach(lib IN LISTS TESSERA_INSTALLED_LIBRARIES)
  get_target_property(type ${lib} TYPE)
  if(lib STREQUAL "tessera")
    set_target_properties(${lib} PROPERTIES OUTPUT_NAME tessera)
  else()
    set_target_properties(${lib} PROPERTIES OUTPUT_NAME tessera-${lib})
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    # libtessera-platform.so.0 -> libtessera-platform.so.0.1. The libraries
    # find each other next to themselves once installed.
    set_target_properties(${lib} PROPERTIES
      VERSION ${PROJECT_VERSION}
      SOVERSION ${PROJECT_VERSION_MAJOR}
      INSTALL_RPATH "$ORIGIN")
    # Every symbol a library uses must come from a library it names, so a
    # missing dependency fails here rather than in a consumer's link. The
    # sanitizers' runtimes are only linked into executables.
    if(NOT TESSERA_SANITIZE)
      target_link_options(${lib} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
endforeach()

install(TARGETS ${TESSERA_INSTALLED_LIBRARIES}
  EXPORT TesseraTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

# Headers keep the layout the sources include them by: "tessera/CCNode.h",
# "platform/net/URLConnection.h"...
foreach(lib IN LISTS TESSERA_INSTALLED_LIBRARIES)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/libs/${lib}/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${lib}
    FILES_MATCHING PATTERN "*.h"
    PATTERN "web" EXCLUDE)  # the browser backend's own headers
endforeach()

install(EXPORT TesseraTargets
  NAMESPACE Tessera::
  DESTINATION ${TESSERA_INSTALL_CMAKEDIR})

# Third-party dependencies. The libraries link Threads::Threads and
# PkgConfig::<PREFIX> targets made by pkg_check_modules(<PREFIX> ...); the
# installed package has to make the same targets again before it loads the
# exported ones, and the pkg-config files have to name the same modules. Both
# are read off the targets' link interfaces, so a dependency added to a
# library's CMakeLists.txt is carried into the package without a second list.
set(_tessera_pkg_prefixes "")
set(_tessera_needs_threads OFF)
foreach(lib IN LISTS TESSERA_INSTALLED_LIBRARIES)
  set(_requires "")
  set(_libs "")
  get_target_property(_links ${lib} INTERFACE_LINK_LIBRARIES)
  if(NOT _links)
    set(_links "")
  endif()
  foreach(item IN LISTS _links)
    # Private dependencies of a static library appear as $<LINK_ONLY:...>;
    # a consumer still links them.
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(item STREQUAL "Threads::Threads")
      set(_tessera_needs_threads ON)
      list(APPEND _libs "-pthread")
    elseif(item MATCHES "^PkgConfig::(.+)$")
      set(prefix ${CMAKE_MATCH_1})
      # pkg_check_modules keeps the arguments it was called with in the cache.
      set(_args "${__pkg_config_arguments_${prefix}}")
      if(NOT _args)
        message(FATAL_ERROR "Installing '${lib}': no pkg-config modules known for PkgConfig::${prefix}; "
                            "make it with pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET ...)")
      endif()
      list(REMOVE_ITEM _args REQUIRED QUIET IMPORTED_TARGET GLOBAL NO_CMAKE_PATH NO_CMAKE_ENVIRONMENT_PATH)
      list(APPEND _requires ${_args})
      if(NOT prefix IN_LIST _tessera_pkg_prefixes)
        list(APPEND _tessera_pkg_prefixes ${prefix})
        string(REPLACE ";" " " _tessera_pkg_modules_${prefix} "${_args}")
      endif()
    elseif(item IN_LIST TESSERA_INSTALLED_LIBRARIES)
      if(item STREQUAL "tessera")
        list(APPEND _requires tessera)
      else()
        list(APPEND _requires tessera-${item})
      endif()
    else()
      message(FATAL_ERROR "Installing '${lib}': cannot carry its dependency '${item}' into the installed package")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES _requires)
  list(REMOVE_DUPLICATES _libs)

  # One pkg-config file per library: tessera.pc for the engine, tessera-<name>.pc
  # for the others. Every dependency in the link interface is a plain
  # Requires: a static library's private dependencies are there (a consumer
  # links them all), a shared library's are not (it carries them itself).
  if(lib STREQUAL "tessera")
    set(PC_NAME tessera)
    set(PC_DESCRIPTION "2-D scene-graph game engine")
  else()
    set(PC_NAME tessera-${lib})
    set(PC_DESCRIPTION "Tessera ${lib} library")
  endif()
  get_target_property(PC_LIBRARY ${lib} OUTPUT_NAME)
  # The prefix is taken from where the file lies, so the files stay right
  # with `cmake --install --prefix` and in a relocated tree.
  file(RELATIVE_PATH PC_PREFIX_FROM_PCFILEDIR /prefix/${TESSERA_INSTALL_PKGCONFIGDIR} /prefix)
  string(REPLACE ";" " " PC_REQUIRES "${_requires}")
  string(REPLACE ";" " " PC_LIBS "${_libs}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/tessera.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${PC_NAME}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${PC_NAME}.pc DESTINATION ${TESSERA_INSTALL_PKGCONFIGDIR})
endforeach()

# The lines of TesseraConfig.cmake that find the dependencies.
set(TESSERA_FIND_DEPENDENCIES "")
if(_tessera_needs_threads)
  string(APPEND TESSERA_FIND_DEPENDENCIES "find_dependency(Threads)\n")
endif()
if(_tessera_pkg_prefixes)
  string(APPEND TESSERA_FIND_DEPENDENCIES "find_dependency(PkgConfig)\n")
  foreach(prefix IN LISTS _tessera_pkg_prefixes)
    string(APPEND TESSERA_FIND_DEPENDENCIES
      "_tessera_pkg_target(${prefix} ${_tessera_pkg_modules_${prefix}})\n")
  endforeach()
endif()

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TesseraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TesseraConfig.cmake
  INSTALL_DESTINATION ${TESSERA_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TesseraConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TesseraConfig.cmake ${PROJECT_BINARY_DIR}/TesseraConfigVersion.cmake
  DESTINATION ${TESSERA_INSTALL_CMAKEDIR})

# `cpack -G DEB` in the build folder makes libtessera-dev: the installed
# headers, archives, CMake package and pkg-config files under /usr, depending
# on the Debian development packages of the pkg-config modules above.
set(CPACK_PACKAGE_NAME libtessera-dev)
set(CPACK_PACKAGE_VENDOR "Tessera")
set(CPACK_PACKAGE_CONTACT "Tessera developers <tessera@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2-D scene-graph game engine (development files)")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "The Tessera libraries: the engine, its platform layer, the sound engine,\n custom fonts, JSON and the score client, as libraries with headers,\n a CMake package (Tessera::...) and pkg-config files.")
# One Debian package for each pkg-config module the libraries require.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "pkg-config, libsdl2-dev, libegl-dev, libgles-dev, zlib1g-dev, libplist-dev, libpng-dev, libjpeg62-turbo-dev | libjpeg-dev, libfreetype-dev, libfontconfig-dev, libcurl4-openssl-dev | libcurl-dev, libssl-dev, libexpat1-dev, libopenal-dev, libsndfile1-dev")
set(CPACK_GENERATOR DEB)
include(CPack)
