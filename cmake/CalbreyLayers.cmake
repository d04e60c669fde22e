# The three layers of the program and how a folder hands its files to them.
#
# Every layer publishes only its own headers: calbrey_add_sources() writes, for each header it
# is given, a forwarding header under build/layers/<layer>/<folder>/, and that folder is the
# layer's one include root. A file therefore sees the headers of its own layer and of the
# layers it links, and nothing else: a platform file that includes a logic header does not
# compile. tools/check-layers.py checks the same rule, and the Qt modules, over the sources.

set(CALBREY_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# calbrey_add_sources(<library> <file>...): files of the current source folder, by name.
function(calbrey_add_sources library)
    file(RELATIVE_PATH folder ${CALBREY_SOURCE_ROOT} ${CMAKE_CURRENT_SOURCE_DIR})
    foreach(name IN LISTS ARGN)
        set(source ${CMAKE_CURRENT_SOURCE_DIR}/${name})
        if(NOT EXISTS ${source})
            message(FATAL_ERROR "${folder}/${name} is listed for ${library} but does not exist")
        endif()
        # A program layer's files are built once into its object library; its main.cpp is the
        # program's alone.
        set(target ${library})
        if(TARGET ${library}_objects AND NOT name STREQUAL "main.cpp")
            set(target ${library}_objects)
        endif()
        target_sources(${target} PRIVATE ${source})
        if(name MATCHES "\\.h$")
            file(CONFIGURE OUTPUT ${CALBREY_LAYER_ROOT}/${library}/${folder}/${name}
                 CONTENT "#pragma once\n#include \"${source}\"\n" @ONLY)
        endif()
    endforeach()
endfunction()

# calbrey_add_layer(<library>): a static library whose include root is its forwarding headers.
function(calbrey_add_layer library)
    add_library(${library} STATIC)
    file(MAKE_DIRECTORY ${CALBREY_LAYER_ROOT}/${library})
    target_include_directories(${library} PUBLIC ${CALBREY_LAYER_ROOT}/${library})
endfunction()

# calbrey_add_program_layer(<program>): an executable that is a layer of its own, beside the
# windows: its files are listed with calbrey_add_sources() like a library's. All but main.cpp
# go into <program>_objects, which the program links, and so can a test that runs the
# program's commands in its own process.
function(calbrey_add_program_layer program)
    add_library(${program}_objects OBJECT)
    file(MAKE_DIRECTORY ${CALBREY_LAYER_ROOT}/${program})
    target_include_directories(${program}_objects PUBLIC ${CALBREY_LAYER_ROOT}/${program})
    add_executable(${program})
    target_link_libraries(${program} PRIVATE ${program}_objects)
endfunction()
