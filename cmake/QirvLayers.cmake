# The libraries of src/ link downward only, and the build holds them to it.
#
# Each library names the folder its files live in (qirv_library); each test executable names its
# sources (qirv_test_layers). qirv_check_layers, called once every target exists, writes down which
# folders each may include from (a library its own, and those of the libraries it links, directly
# or through others; a test only those it links) and adds a build step that reads every source and
# header: an include from any other folder, a Qt header in a library marked QT_FREE, or a cycle of
# libraries stops the build with the file and line. So a test of a Qt-free library cannot include a
# window's header.

function(qirv_library target folder)
    cmake_parse_arguments(ARG "QT_FREE" "" "" ${ARGN})
    set_property(GLOBAL APPEND PROPERTY QIRV_LAYERED_TARGETS ${target})
    set_property(TARGET ${target} PROPERTY QIRV_FOLDER ${folder})
    set_property(TARGET ${target} PROPERTY QIRV_QT_FREE ${ARG_QT_FREE})
endfunction()

# A test executable and its sources, relative to the calling folder.
function(qirv_test_layers target)
    set(sources)
    foreach(source IN LISTS ARGN)
        list(APPEND sources ${CMAKE_CURRENT_SOURCE_DIR}/${source})
    endforeach()
    set_property(GLOBAL APPEND PROPERTY QIRV_LAYERED_TESTS ${target})
    set_property(TARGET ${target} PROPERTY QIRV_SOURCES ${sources})
endfunction()

# The project libraries `target` links, directly or through others (the tests' support libraries
# among them, which are not layered themselves).
function(qirv_linked_libraries target out)
    set(seen)
    set(visited)
    set(pending ${target})
    get_property(layered GLOBAL PROPERTY QIRV_LAYERED_TARGETS)
    while(pending)
        list(POP_FRONT pending current)
        get_target_property(direct ${current} LINK_LIBRARIES)
        get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
        foreach(library IN LISTS direct interface)
            if(library MATCHES "^qirv_" AND TARGET ${library} AND NOT library IN_LIST visited)
                list(APPEND visited ${library})
                list(APPEND pending ${library})
                if(library IN_LIST layered)
                    list(APPEND seen ${library})
                endif()
            endif()
        endforeach()
    endwhile()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(qirv_check_layers)
    get_property(layered GLOBAL PROPERTY QIRV_LAYERED_TARGETS)
    set(table "")
    set(all_files)
    foreach(target IN LISTS layered)
        get_target_property(folder ${target} QIRV_FOLDER)
        get_target_property(qt_free ${target} QIRV_QT_FREE)
        qirv_linked_libraries(${target} linked)
        if(target IN_LIST linked)
            message(FATAL_ERROR "${target} links itself through other libraries: a cycle")
        endif()
        set(allowed ${folder})
        foreach(library IN LISTS linked)
            get_target_property(linked_folder ${library} QIRV_FOLDER)
            list(APPEND allowed ${linked_folder})
        endforeach()
        file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp
             ${PROJECT_SOURCE_DIR}/src/${folder}/*.h)
        list(APPEND all_files ${files})
        list(JOIN allowed "," allowed_text)
        list(JOIN files "," files_text)
        string(APPEND table "${target}|${qt_free}|${allowed_text}|${files_text}\n")
    endforeach()
    get_property(tests GLOBAL PROPERTY QIRV_LAYERED_TESTS)
    foreach(target IN LISTS tests)
        get_target_property(files ${target} QIRV_SOURCES)
        qirv_linked_libraries(${target} linked)
        set(allowed)
        foreach(library IN LISTS linked)
            get_target_property(linked_folder ${library} QIRV_FOLDER)
            list(APPEND allowed ${linked_folder})
        endforeach()
        list(APPEND all_files ${files})
        list(JOIN allowed "," allowed_text)
        list(JOIN files "," files_text)
        string(APPEND table "${target}||${allowed_text}|${files_text}\n")
    endforeach()
    set(table_file ${CMAKE_BINARY_DIR}/layers.txt)
    file(WRITE ${table_file} "${table}")
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/layers.checked
        COMMAND ${CMAKE_COMMAND} -DTABLE=${table_file} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
        COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/layers.checked
        DEPENDS ${all_files} ${table_file} ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
        COMMENT "Checking that every include stays within its library's layers")
    add_custom_target(qirv_layers ALL DEPENDS ${CMAKE_BINARY_DIR}/layers.checked)
    foreach(target IN LISTS layered)
        add_dependencies(${target} qirv_layers)
    endforeach()
endfunction()
