# Run by CPack after it has built the package (CPACK_POST_BUILD_SCRIPTS): writes the
# Installed-Size that dpkg-gencontrol would have written. CPack adds up the sizes of the files it
# packs, following links, so each link in /usr/bin counts as the whole program it points to.
# dpkg counts every file and link in KiB rounded up, and every directory as 1 KiB.
find_program(QIRV_DPKG_DEB dpkg-deb REQUIRED)

foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.deb$")
        continue()
    endif()
    set(tree "${CPACK_TOPLEVEL_DIRECTORY}/installed-size")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND ${QIRV_DPKG_DEB} --raw-extract "${package}" "${tree}"
                    COMMAND_ERROR_IS_FATAL ANY)

    set(kibibytes 1)
    file(GLOB_RECURSE entries LIST_DIRECTORIES true "${tree}/*")
    foreach(entry IN LISTS entries)
        file(RELATIVE_PATH path "${tree}" "${entry}")
        if(path MATCHES "^DEBIAN(/|$)")
            continue()
        endif()
        if(IS_SYMLINK "${entry}")
            file(READ_SYMLINK "${entry}" target)
            string(LENGTH "${target}" bytes)
        elseif(IS_DIRECTORY "${entry}")
            math(EXPR kibibytes "${kibibytes} + 1")
            continue()
        else()
            file(SIZE "${entry}" bytes)
        endif()
        math(EXPR kibibytes "${kibibytes} + (${bytes} + 1023) / 1024")
    endforeach()

    file(READ "${tree}/DEBIAN/control" control)
    string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${kibibytes}\n" control "${control}")
    file(WRITE "${tree}/DEBIAN/control" "${control}")
    execute_process(COMMAND ${QIRV_DPKG_DEB} --root-owner-group --build "${tree}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
    message(STATUS "Installed-Size of ${package}: ${kibibytes} KiB")
endforeach()
