#!/bin/sh
# Where zuvtool's exports go, as users of Unix tools expect: a FIFO and a
# device written in place and kept, a symbolic link kept and its target
# rewritten with its mode and owner, standard output that is the video itself
# refused, nothing left behind by SIGKILL or SIGHUP, a stalled reader no
# obstacle to SIGTERM, a file-size limit reported, names of 255 bytes, lost
# output of info and check reported; and a record of an unknown type, "--".
#
#     output_scenario.sh ZUVTOOL VIDEO_FROM_FRAMES WORK_DIR
set -u
ZUVTOOL=$1
VIDEO_FROM_FRAMES=$2
WORK=$3
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK" || exit 1
WORK=$(pwd -P)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# check WHAT CONDITION...: the condition is a command that must succeed.
check() {
    what=$1
    shift
    "$@" || fail "$what"
}
run() {
    "$ZUVTOOL" "$@" 2>err
    code=$?
}
said() {
    grep -q -- "$1" err || fail "message '$1' missing: $(cat err)"
}
# The size of what process $1 has written into the folder "killed".
output_size() {
    for fd in /proc/$1/fd/*; do
        case $(readlink "$fd" 2>/dev/null) in
        "$WORK"/killed/*) stat -L -c %s "$fd" 2>/dev/null && return ;;
        esac
    done
    echo 0
}
wait_for_output() {
    tries=0
    while [ "$(output_size "$1")" -lt 1000000 ] && [ $tries -lt 200 ]; do
        sleep 0.05
        tries=$((tries + 1))
    done
}

# A small video of three different pictures, and a long one: 640 x 480,
# a picture and 4095 records that change nothing, 1.9 GB as YUV4MPEG2.
yes Fzuvtool | head -c 192000 >small.bgrx
"$VIDEO_FROM_FRAMES" 160 100 10 small.bgrx small.zuv || exit 1
yes Fzuvtool | head -c 1228800 >big.bgrx
"$VIDEO_FROM_FRAMES" 640 480 10 big.bgrx big.zuv || exit 1
printf '\030\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\177\002\0\0\337\001' >unchanged
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do cat unchanged unchanged >twice && mv twice unchanged; done
head -c $((4095 * 24)) unchanged >>big.zuv
run y4m small.zuv small.y4m
check "a plain export" [ $code -eq 0 ]

# A FIFO: the export goes to its reader, and it stays a FIFO. An animated
# PNG, whose frame count is written last, is refused before it opens.
mkfifo pipe
cat pipe >from_pipe &
run y4m small.zuv pipe
wait
check "y4m into a FIFO" [ $code -eq 0 ]
check "the FIFO's reader got the export" cmp -s from_pipe small.y4m
check "the FIFO stays a FIFO" [ -p pipe ]
run apng small.zuv pipe
check "apng into a FIFO refused" [ $code -eq 1 ]
said "pipe: cannot take an animated PNG"

# A device node, as /dev/null is (made here: the real one is never named).
if [ "$(id -u)" -eq 0 ]; then
    mknod null c 1 3
    run y4m small.zuv null
    check "y4m into a null device" [ $code -eq 0 ]
    run apng small.zuv null
    check "apng into a null device, which can seek" [ $code -eq 0 ]
    check "the device stays a device" [ -c null ]
    check "no temporary file" [ -z "$(ls -A | grep zuvtool)" ]
fi

# Standard output appended to, or opened on, the video itself.
cp small.zuv own.zuv
run y4m own.zuv - >>own.zuv
check "standard output appended to the video refused" [ $code -eq 1 ]
said "standard output: is the video itself"
run y4m own.zuv - 1<>own.zuv
check "standard output opened on the video refused" [ $code -eq 1 ]
check "the video unchanged" cmp -s own.zuv small.zuv

# A symbolic link: its target is rewritten, keeping its mode (and, as root,
# its owner); the link stays.
echo "the user's own file" >target.gif
chmod 640 target.gif
[ "$(id -u)" -eq 0 ] && chown 4321:4322 target.gif
ln -s target.gif link.gif
run gif small.zuv link.gif
check "gif through a symbolic link" [ $code -eq 0 ]
check "the link stays a link to its target" [ "$(readlink link.gif)" = target.gif ]
check "the target holds the GIF" [ "$(head -c 6 target.gif)" = GIF89a ]
check "the target keeps its mode" [ "$(stat -c %a target.gif)" = 640 ]
if [ "$(id -u)" -eq 0 ]; then
    check "the target keeps its owner" [ "$(stat -c %u:%g target.gif)" = 4321:4322 ]
fi

# The longest legal name.
long=$(head -c 255 /dev/zero | tr '\0' n)
run gif small.zuv "$long"
check "a name of 255 bytes written" test $code -eq 0 -a -s "$long"
rm -f "$long"

# SIGKILL and SIGHUP (a closed terminal) in the middle of an export leave
# only the old file.
mkdir killed
echo old >killed/out.y4m
"$ZUVTOOL" y4m big.zuv killed/out.y4m 2>/dev/null &
pid=$!
wait_for_output $pid
kill -KILL $pid
wait $pid 2>/dev/null
check "SIGKILL leaves only the old file" [ "$(ls -A killed)" = out.y4m ]
check "SIGKILL leaves the old file as it was" [ "$(cat killed/out.y4m)" = old ]
"$ZUVTOOL" y4m big.zuv killed/out.y4m 2>err &
pid=$!
wait_for_output $pid
kill -HUP $pid
wait $pid 2>/dev/null
code=$?
check "SIGHUP exits 129" [ $code -eq 129 ]
said "big.zuv: interrupted"
check "SIGHUP leaves only the old file" [ "$(ls -A killed)" = out.y4m ]
check "SIGHUP leaves the old file as it was" [ "$(cat killed/out.y4m)" = old ]

# A reader that stopped reading: SIGTERM still ends the export at once.
mkfifo stalled
sleep 30 <stalled &
reader=$!
"$ZUVTOOL" y4m big.zuv stalled 2>/dev/null &
pid=$!
sleep 0.5
kill -TERM $pid
tries=0
while kill -0 $pid 2>/dev/null && [ $tries -lt 10 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
check "SIGTERM ends a blocked export within a second" [ $tries -lt 10 ]
kill -KILL $pid 2>/dev/null
wait $pid 2>/dev/null
code=$?
check "SIGTERM exits 143" [ $code -eq 143 ]
kill $reader
wait $reader 2>/dev/null

# A file-size limit: the write fails and says so; the old file stays.
(ulimit -f 100 && exec "$ZUVTOOL" y4m big.zuv killed/out.y4m) 2>err
code=$?
check "a file-size limit fails the export" [ $code -eq 1 ]
said "killed/out.y4m: File too large"
check "a file-size limit leaves only the old file" [ "$(ls -A killed)" = out.y4m ]

# Lost output of info and check is an error.
run info small.zuv >/dev/full
check "info to a full device fails" [ $code -eq 1 ]
said "standard output: No space left on device"
run check small.zuv >&-
check "check with standard output closed fails" [ $code -eq 1 ]

# A record of an unknown type: check calls the video not sound, an export
# skips it, as the player does, and says so.
cp small.zuv unknown.zuv
printf '\030\0\0\0\0\0\0\0\007\0\0\0\0\0\0\0\0\0\237\0\0\0\143\0' >>unknown.zuv
run check unknown.zuv
check "check of a record of an unknown type" [ $code -eq 1 ]
said "1 records are of an unknown type"
run y4m unknown.zuv unknown.y4m
check "export of a record of an unknown type" [ $code -eq 0 ]
said "unknown.zuv: 1 records are of an unknown type, skipped"

# "--" ends the options: a name may then begin with a dash.
run y4m -- small.zuv -dash.y4m
check "a name after --" test $code -eq 0 -a -s ./-dash.y4m

rm -f big.zuv big.bgrx
[ $failures -eq 0 ] && echo "output scenario: all passed"
exit $failures
