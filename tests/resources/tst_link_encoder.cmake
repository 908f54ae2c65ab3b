# Checks resources/link_encoder.cmake, the step that links the system's
# encoder beside the program, against what may already stand there.
#   cmake -DSCRIPT=<link_encoder.cmake> -DWORK_DIR=<scratch folder> -P this file

set(work "${WORK_DIR}/link_encoder")
file(REMOVE_RECURSE "${work}")
set(system_bin "${work}/system/bin")
set(encoder "${system_bin}/ffmpeg")
file(MAKE_DIRECTORY "${system_bin}")
file(WRITE "${encoder}" "the system's encoder\n")

set(failures 0)
macro(fail what)
    message(SEND_ERROR "FAIL: ${what}")
    math(EXPR failures "${failures} + 1")
endmacro()

function(link_encoder link) # [-DLINK_TEXT=...]
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DENCODER=${encoder} -DLINK=${link} ${ARGN} -P ${SCRIPT}
        RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        fail("the script failed for ${link}")
    endif()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

function(expect_link link expected what)
    set(target "")
    if(IS_SYMLINK "${link}")
        file(READ_SYMLINK "${link}" target)
    endif()
    if(NOT target STREQUAL expected)
        fail("${what}: ${link} -> '${target}'")
    endif()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

function(expect_content file expected what)
    set(content "")
    if(EXISTS "${file}" AND NOT IS_SYMLINK "${file}")
        file(READ "${file}" content)
    endif()
    if(NOT content STREQUAL expected)
        fail("${what}: '${content}'")
    endif()
    set(failures ${failures} PARENT_SCOPE)
endfunction()

# A fresh program folder gets the link.
file(MAKE_DIRECTORY "${work}/fresh")
link_encoder("${work}/fresh/ffmpeg")
expect_link("${work}/fresh/ffmpeg" "${encoder}" "fresh folder")

# Building again leaves a correct link as it is.
link_encoder("${work}/fresh/ffmpeg")
expect_link("${work}/fresh/ffmpeg" "${encoder}" "second run")

# A link left from an encoder that has moved is pointed at the current one.
file(MAKE_DIRECTORY "${work}/stale")
file(CREATE_LINK "${work}/gone/ffmpeg" "${work}/stale/ffmpeg" SYMBOLIC)
link_encoder("${work}/stale/ffmpeg")
expect_link("${work}/stale/ffmpeg" "${encoder}" "stale link")

# A package's link holds the way from its own folder, replacing an absolute one.
link_encoder("${work}/stale/ffmpeg" -DLINK_TEXT=../system/bin/ffmpeg)
expect_link("${work}/stale/ffmpeg" "../system/bin/ffmpeg" "relative link")

# An encoder a user placed beside the program is theirs to keep.
file(WRITE "${work}/placed/ffmpeg" "a user's own encoder\n")
link_encoder("${work}/placed/ffmpeg")
expect_content("${work}/placed/ffmpeg" "a user's own encoder\n" "placed encoder kept")

# Installing into the encoder's own folder, directly or through another name
# for it, must not turn the encoder into a link to itself.
link_encoder("${encoder}")
expect_content("${encoder}" "the system's encoder\n" "install into the encoder's folder")
file(CREATE_LINK "${system_bin}" "${work}/bin-alias" SYMBOLIC)
link_encoder("${work}/bin-alias/ffmpeg")
expect_content("${encoder}" "the system's encoder\n" "install through another name")

# The same when the system's encoder is itself a link (as with an
# alternatives entry): it must still lead to the real program afterwards.
set(real_encoder "${work}/opt/ffmpeg-7/ffmpeg")
file(WRITE "${real_encoder}" "the real encoder\n")
file(MAKE_DIRECTORY "${work}/local/bin")
set(encoder "${work}/local/bin/ffmpeg")
file(CREATE_LINK "${real_encoder}" "${encoder}" SYMBOLIC)
link_encoder("${encoder}")
file(READ_SYMLINK "${encoder}" target)
if(NOT target STREQUAL real_encoder)
    fail("encoder that is a link: now -> '${target}'")
endif()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
message(STATUS "link_encoder.cmake: all checks passed")
