# Includes are written from the top of the tree ("lib/text.h"), so one include
# directory at the top would let any folder include any other. Instead each
# library sees the tree through a folder of its own that links to just the
# folders it may use: its own and those of the libraries it links, directly
# or through them (build/*/layers). An include the wrong way up then fails to compile, the
# same way a call the wrong way up fails to link.

# setupkit_layer(target): `target`'s folder is a layer; its include directory
# is made by setupkit_apply_layers() once every library is defined.
function(setupkit_layer target)
    set_property(GLOBAL APPEND PROPERTY SETUPKIT_LAYERS ${target})
endfunction()

# The top folder of the tree that defines `target`, or nothing for targets
# from outside it (googletest).
function(_setupkit_folder_of target out)
    get_target_property(imported ${target} IMPORTED)
    get_target_property(dir ${target} SOURCE_DIR)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${dir})
    string(REGEX REPLACE "/.*" "" folder "${relative}")
    if(imported OR folder STREQUAL "" OR folder STREQUAL "..")
        set(folder "")
    endif()
    set(${out} ${folder} PARENT_SCOPE)
endfunction()

# The folders `target` may include from: what it links itself, then what
# those libraries pass on to their users.
function(_setupkit_layer_folders target out)
    _setupkit_folder_of(${target} own)
    set(folders ${own})
    get_target_property(queue ${target} LINK_LIBRARIES)
    set(seen ${target})
    while(queue)
        list(POP_FRONT queue current)
        if(NOT TARGET "${current}" OR current IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${current})
        _setupkit_folder_of(${current} folder)
        list(APPEND folders ${folder})
        get_target_property(passed ${current} INTERFACE_LINK_LIBRARIES)
        if(passed)
            # A static library's private links are passed on for linking only.
            list(FILTER passed EXCLUDE REGEX "^\\$<LINK_ONLY:")
            list(APPEND queue ${passed})
        endif()
    endwhile()
    list(REMOVE_DUPLICATES folders)
    set(${out} ${folders} PARENT_SCOPE)
endfunction()

# Libraries that may use the same folders share one view of the tree, named
# for those folders.
function(setupkit_apply_layers)
    get_property(targets GLOBAL PROPERTY SETUPKIT_LAYERS)
    foreach(target IN LISTS targets)
        _setupkit_layer_folders(${target} folders)
        list(SORT folders)
        list(JOIN folders "+" view)
        set(root ${CMAKE_BINARY_DIR}/layers/${view})
        foreach(folder IN LISTS folders)
            if(NOT IS_SYMLINK ${root}/${folder})
                file(MAKE_DIRECTORY ${root})
                file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
            endif()
        endforeach()
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "INTERFACE_LIBRARY")
            target_include_directories(${target} INTERFACE ${root})
        else()
            target_include_directories(${target} PUBLIC ${root})
        endif()
    endforeach()
endfunction()
