# Puts a symbolic link to the system's encoder beside the program:
#   cmake -DENCODER=/usr/bin/ffmpeg -DLINK=<program folder>/ffmpeg -P link_encoder.cmake
# or include() it with both variables set. LINK_TEXT, when given, is what the
# link holds instead of ENCODER: a path relative to the link's folder keeps a
# tree that moves as a whole (a package staged under DESTDIR) pointing at the
# right file.
#
# A real program already at LINK is kept (someone placed an encoder there on
# purpose), and when LINK names the encoder itself (installing into the
# encoder's own folder) nothing is done: replacing it would leave a link to
# itself where the encoder was.

if(NOT ENCODER OR NOT LINK)
    message(FATAL_ERROR "link_encoder.cmake needs ENCODER and LINK")
endif()

if(NOT LINK_TEXT)
    set(LINK_TEXT "${ENCODER}")
endif()

cmake_path(GET LINK PARENT_PATH link_dir)
cmake_path(GET LINK FILENAME link_name)
cmake_path(GET ENCODER PARENT_PATH encoder_dir)
cmake_path(GET ENCODER FILENAME encoder_name)
file(REAL_PATH "${link_dir}" link_dir)
file(REAL_PATH "${encoder_dir}" encoder_dir)

set(make_link TRUE)
if(link_dir STREQUAL encoder_dir AND link_name STREQUAL encoder_name)
    message(STATUS "Up-to-date: ${LINK} is the encoder itself")
    set(make_link FALSE)
elseif(IS_SYMLINK "${LINK}")
    file(READ_SYMLINK "${LINK}" current_target)
    if(current_target STREQUAL LINK_TEXT)
        set(make_link FALSE)
    endif()
elseif(EXISTS "${LINK}")
    message(STATUS "Keeping: ${LINK} (not a link)")
    set(make_link FALSE)
endif()

if(make_link)
    message(STATUS "Linking: ${LINK} -> ${LINK_TEXT}")
    file(CREATE_LINK "${LINK_TEXT}" "${LINK}" SYMBOLIC)
endif()
