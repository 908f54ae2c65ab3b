#!/bin/sh
# Stands in for ffmpeg in tests: called as "-i INPUT ... OUTPUT".
# Follows the lines of INPUT, one directive each:
#   stderr TEXT   write TEXT to standard error
#   sleep SECONDS
#   partial       start writing OUTPUT
#   empty         leave OUTPUT empty
#   nooutput      write no OUTPUT
#   exit CODE     end now with CODE
#   kill SIGNAL   end now by SIGNAL
#   race          another program makes OUTPUT first, so it is refused
#   hold SECONDS  another program makes OUTPUT and keeps it open a while
# Otherwise it writes OUTPUT and exits 0. Like ffmpeg with no one to answer
# its "Overwrite?" question, it never replaces an existing OUTPUT.
input=$2
eval "output=\${$#}"

if [ ! -r "$input" ]; then
    printf '%s: No such file or directory\n' "$input" >&2
    exit 1
fi
if [ -e "$output" ]; then
    printf "File '%s' already exists. Exiting.\n" "$output" >&2
    exit 1
fi

write=yes
while IFS=' ' read -r directive rest || [ -n "$directive" ]; do
    case $directive in
    stderr) printf '%s\n' "$rest" >&2 ;;
    sleep) sleep "$rest" ;;
    partial) printf 'partial' >"$output" ;;
    empty) : >"$output"; write=no ;;
    nooutput) write=no ;;
    exit) exit "$rest" ;;
    kill) kill -"$rest" $$ ;;
    race)
        printf 'theirs' >"$output"
        printf "File '%s' already exists. Exiting.\n" "$output" >&2
        exit 1 ;;
    hold)
        printf 'theirs' >"$output"
        exec 3>>"$output"
        sleep "$rest" &
        write=no ;;
    esac
done <"$input"

if [ "$write" = yes ]; then
    printf 'mp4 of %s\n' "$input" >"$output"
fi
exit 0
