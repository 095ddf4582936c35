# Delay-loaded system libraries: a library named here is loaded at the first
# call into it, not when the program starts. Explorer's "copy as data URL"
# runs the program for a moment and never opens a dialog or a control, so it
# need not pay for loading what only the window uses.
#
# MinGW-w64 ships import libraries, not the definitions dlltool makes a
# delay-load library from; the definition is read back from the import
# library's own symbols.
function(lumarind_delay_load target)
    find_program(LUMARIND_NM NAMES ${CMAKE_C_COMPILER_TARGET}-nm x86_64-w64-mingw32-nm REQUIRED)
    find_program(LUMARIND_DLLTOOL NAMES ${CMAKE_C_COMPILER_TARGET}-dlltool x86_64-w64-mingw32-dlltool REQUIRED)
    foreach(name IN LISTS ARGN)
        find_library(import_${name} NAMES lib${name}.a REQUIRED)
        set(definition "${CMAKE_CURRENT_BINARY_DIR}/delay/${name}.def")
        set(library "${CMAKE_CURRENT_BINARY_DIR}/delay/lib${name}-delay.a")
        execute_process(COMMAND ${LUMARIND_NM} -g "${import_${name}}" OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX MATCHALL "__imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
        list(TRANSFORM imports REPLACE "^__imp_" "")
        list(REMOVE_DUPLICATES imports)
        list(JOIN imports "\n" exports)
        file(WRITE "${definition}.new" "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
        file(COPY_FILE "${definition}.new" "${definition}" ONLY_IF_DIFFERENT)
        add_custom_command(OUTPUT "${library}"
            COMMAND ${LUMARIND_DLLTOOL} --input-def "${definition}" --dllname ${name}.dll --output-delaylib "${library}"
            DEPENDS "${definition}" VERBATIM)
        add_custom_target(${target}_delay_${name} DEPENDS "${library}")
        add_dependencies(${target} ${target}_delay_${name})
        target_link_libraries(${target} PRIVATE "${library}")
    endforeach()
    target_link_libraries(${target} PRIVATE delayimp)
endfunction()
