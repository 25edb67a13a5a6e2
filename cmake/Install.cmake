# What `cmake --install` lays out, and the packages CPack makes of it. The layout is the same
# on every system, so that a package unpacked anywhere works from where it lies:
#   bin/                      Marrow, ini2reg, idbdump, itemcheck, itembook, itemwatch and
#                             Ini2Reg.bat
#   include/marrow/           the loader's public headers
#   lib/                      the loader library
#   lib/cmake/Marrow/         the CMake package (find_package(Marrow), target Marrow::loader)
#   lib/pkgconfig/            marrow-loader.pc
#   share/marrow/templates/   an empty table of each kind
#   share/marrow/loader-src/  the loader's sources and a CMakeLists.txt, to build it yourself
#   share/doc/marrow/         the README, the two format documents and the loader guide
include(CMakePackageConfigHelpers)

install(TARGETS Marrow ini2reg idbdump itemcheck itembook itemwatch RUNTIME DESTINATION bin)
install(PROGRAMS examples/Ini2Reg.bat DESTINATION bin)

install(TARGETS marrow_loader EXPORT MarrowTargets ARCHIVE DESTINATION lib)
install(DIRECTORY loader/include/marrow/ DESTINATION include/marrow FILES_MATCHING PATTERN "*.h")
install(EXPORT MarrowTargets NAMESPACE Marrow:: DESTINATION lib/cmake/Marrow)
configure_package_config_file(cmake/MarrowConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/MarrowConfig.cmake INSTALL_DESTINATION lib/cmake/Marrow)
# 1.x reads what any 1.y writes: the file format changes only with the major version.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/MarrowConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/MarrowConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/MarrowConfigVersion.cmake DESTINATION lib/cmake/Marrow)
configure_file(cmake/marrow-loader.pc.in ${CMAKE_CURRENT_BINARY_DIR}/marrow-loader.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/marrow-loader.pc DESTINATION lib/pkgconfig)

# The loader's sources with a CMakeLists.txt of their own, in the layout of this tree, so that a
# game builds the library with its own compiler (docs/loader.md, "Building the loader yourself").
set(MARROW_LOADER_SOURCES
    loader/Loader.cpp loader/LoadSteps.cpp loader/LoadSteps.h loader/ItemIndex.cpp
    loader/ItemDatabaseFile.cpp loader/RecordSerialize.cpp loader/RecordSerialize.h
    loader/DatabaseCheck.cpp loader/DatabaseCheck.h loader/RecordLayout.cpp
    loader/RecordLayout.h loader/RecordFields.h loader/ItemKinds.h loader/Span.h
    loader/PackedStrings.cpp output/DataStream.cpp output/DataStream.h output/ChunkArchive.cpp
    output/ChunkArchive.h output/ByteOrder.h platform/Memory.cpp platform/Memory.h)
foreach(source ${MARROW_LOADER_SOURCES})
    get_filename_component(folder ${source} DIRECTORY)
    install(FILES ${source} DESTINATION share/marrow/loader-src/${folder} COMPONENT loader_source)
endforeach()
install(DIRECTORY loader/include/marrow/ DESTINATION share/marrow/loader-src/loader/include/marrow
    COMPONENT loader_source FILES_MATCHING PATTERN "*.h")
install(FILES loader/standalone/CMakeLists.txt DESTINATION share/marrow/loader-src
    COMPONENT loader_source)

install(DIRECTORY examples/templates/ DESTINATION share/marrow/templates)
install(FILES README.md docs/idb-format.md docs/registry-format.md docs/loader.md
    DESTINATION share/doc/marrow)

set(CPACK_PACKAGE_NAME marrow)
set(CPACK_PACKAGE_VENDOR "Marrow")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Items database builder: item tables in, items.idb out, and the loader a game links")
set(CPACK_PACKAGE_CONTACT "Marrow developers <marrow@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES /build/ /\\\\.git/)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME windows-x64)
else()
    set(CPACK_GENERATOR TGZ DEB)
    set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION devel)
    # The C and C++ runtimes the programs were linked against, as dpkg-shlibdeps finds them.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
