# MinGW's objdump, an independent reader, on the real players once the PE
# resource test has packed a quiz into them:
#   cmake -DTESTS=<brivel_tests> -DOUT=<folder> -P pe_objdump_test.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env BRIVEL_PE_PACKED_OUT=${OUT} ${TESTS}
                        --gtest_filter=PeResources.RealPlayersKeepTheirResources
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "brivel_tests failed (${status})")
endif()

foreach(arch IN ITEMS i686 x86_64)
    set(exe ${OUT}/win32-${arch}.exe)
    find_program(objdump_${arch} ${arch}-w64-mingw32-objdump REQUIRED)
    if(NOT EXISTS ${exe})
        message(FATAL_ERROR "the test wrote no ${exe}")
    endif()
    execute_process(COMMAND ${objdump_${arch}} -p ${exe} RESULT_VARIABLE status
                    OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0 OR NOT err STREQUAL "" OR out MATCHES "[Cc]orrupt")
        message(FATAL_ERROR "objdump -p ${exe}: status ${status}\n${err}")
    endif()
    # The resource data directory points at the new section, which objdump
    # walks by name: named types first, the player's own resources kept.
    string(REGEX MATCH "Entry 2 0*([0-9a-f]+) [0-9a-f]+ Resource Directory \\[\\.rsrc\\]" entry "${out}")
    if(NOT entry)
        message(FATAL_ERROR "${arch}: the resource directory is not in .rsrc")
    endif()
    set(rva ${CMAKE_MATCH_1})
    foreach(wanted
            "Type Table: [^\n]*Num Names: 2, IDs: 6"
            "Entry: name: [^\n]*: IMG, "
            "Entry: name: [^\n]*: PATCH, "
            "Entry: ID: 0x0003e9, "  # dialog 1001
            "Entry: ID: 0x0003ea, "  # dialog 1002
            "Entry: ID: 0x0003eb, "  # cursor 1003
            "Entry: name: [^\n]*: A, ")  # icon "A"
        if(NOT out MATCHES "${wanted}")
            message(FATAL_ERROR "${arch}: objdump shows no \"${wanted}\"")
        endif()
    endforeach()
    message(STATUS "${arch}: resource directory at RVA 0x${rva} read by objdump")
endforeach()
