# Run by `cmake --install` (outside Windows) with PROGRAM_DIR and BIN_DIR as
# given to the install rules and ENCODER the system's encoder (may be empty):
# links BIN_DIR/quillaro to the program, and puts the encoder link beside it.
#
# A link that stays inside the installed tree holds a relative path, so a
# tree staged under DESTDIR (a package) and then unpacked elsewhere still
# points at the right files.

foreach(dir PROGRAM_DIR BIN_DIR)
    cmake_path(ABSOLUTE_PATH ${dir} BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
endforeach()

set(program_link "$ENV{DESTDIR}${BIN_DIR}/quillaro")
cmake_path(RELATIVE_PATH PROGRAM_DIR BASE_DIRECTORY "${BIN_DIR}" OUTPUT_VARIABLE program_text)
set(program_text "${program_text}/quillaro")
message(STATUS "Linking: ${program_link} -> ${program_text}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${BIN_DIR}")
file(CREATE_LINK "${program_text}" "${program_link}" SYMBOLIC)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${program_link}")

if(ENCODER)
    set(LINK "$ENV{DESTDIR}${PROGRAM_DIR}/ffmpeg")
    set(LINK_TEXT "")
    cmake_path(IS_PREFIX CMAKE_INSTALL_PREFIX "${ENCODER}" NORMALIZE encoder_inside)
    if(encoder_inside)
        cmake_path(RELATIVE_PATH ENCODER BASE_DIRECTORY "${PROGRAM_DIR}" OUTPUT_VARIABLE LINK_TEXT)
    endif()
    include("${CMAKE_CURRENT_LIST_DIR}/link_encoder.cmake")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${LINK}")
endif()
