# Run by CPack after it has written the package (CPACK_POST_BUILD_SCRIPTS,
# from cmake/Install.cmake): the package again, with the Static-Built-Using
# field of notices/static-built-using, its files owned by root and dated at
# the source date, built by dpkg-deb, whose archives depend on nothing else.
file(READ ${CPACK_BRIVEL_STATIC_BUILT_USING} static_built_using)
string(STRIP "${static_built_using}" static_built_using)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    set(tree ${deb}.tree)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND sh -c "umask 022 && dpkg-deb --raw-extract \"$0\" \"$1\"" ${deb} ${tree}
                    COMMAND_ERROR_IS_FATAL ANY)
    file(READ ${tree}/DEBIAN/control control)
    string(REPLACE "\nDescription:" "\nStatic-Built-Using: ${static_built_using}\nDescription:"
           control "${control}")
    file(WRITE ${tree}/DEBIAN/control "${control}")
    execute_process(COMMAND find ${tree} -exec touch -h -d @${CPACK_BRIVEL_SOURCE_DATE_EPOCH} {} +
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${CPACK_BRIVEL_SOURCE_DATE_EPOCH}
                            dpkg-deb --root-owner-group --build ${tree} ${deb}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
