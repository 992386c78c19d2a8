# Fails when a source includes a layer above its own: the Qt-free core may
# include neither Qt nor the panel, the application nor a driver; the panel
# may not include the application; the command line, a front end without Qt,
# may include only the core; the drivers may include only the core.
# Run as: cmake -DROOT=<source folder> -P check_layers.cmake
set(layers
    "src/core|<Q|\"panel/|\"app/|\"ctl/|\"controller_model/|\"sim/|\"tty/|\"pty_sim/"
    "src/panel|\"app/|\"ctl/"
    "src/ctl|<Q|\"panel/|\"app/|\"controller_model/|\"sim/|\"tty/|\"pty_sim/"
    "drivers|<Q|\"panel/|\"app/")
set(violations "")
foreach(layer IN LISTS layers)
    string(REPLACE "|" ";" parts "${layer}")
    list(POP_FRONT parts folder)
    file(GLOB_RECURSE sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            foreach(forbidden IN LISTS parts)
                string(FIND "${line}" "${forbidden}" at)
                if(NOT at EQUAL -1)
                    file(RELATIVE_PATH name "${ROOT}" "${source}")
                    string(APPEND violations "  ${name}: ${line}\n")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "Includes that point up a layer:\n${violations}")
endif()
message(STATUS "Every include points down the layers.")
