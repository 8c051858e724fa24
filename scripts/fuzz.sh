#!/bin/sh
# Runs each fuzz target of the native-san build for FUZZ_SECONDS seconds
# (default 15), starting from its saved inputs (fuzz/corpus/TARGET, for the
# export target the video reader's, and fuzz/regressions/TARGET). New inputs
# the fuzzer finds go to a scratch folder in $BUILD_DIR, so the repository
# stays as it is. An input that makes
# a target fail is left in $BUILD_DIR/fuzz/artifacts/TARGET/; once the fault
# is fixed, copy it into fuzz/regressions/TARGET/ so that ctest replays it.
#   scripts/fuzz.sh [TARGET...]
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/env.sh"

SECONDS_EACH=${FUZZ_SECONDS:-15}
BIN="$BUILD_DIR/native-san/fuzz"
TARGETS=${*:-"unpack round_trip video_reader executable_resources export cut"}

if [ ! -x "$BIN/fuzz_unpack" ]; then
    sh "$ROOT/scripts/build.sh" native-san
fi

failed=0
for target in $TARGETS; do
    work="$BUILD_DIR/fuzz/corpus/$target"
    artifacts="$BUILD_DIR/fuzz/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    # The export and cut targets start from the video reader's seeds.
    seeds=$target
    case $target in export | cut) seeds=video_reader ;; esac
    case $target in
    video_reader | export | cut) max_len=16384 ;;
    # Room for the seeds, which are whole players.
    executable_resources) max_len=131072 ;;
    *) max_len=4096 ;;
    esac
    echo "fuzz: $target for ${SECONDS_EACH}s"
    log="$BUILD_DIR/fuzz/$target.log"
    if "$BIN/fuzz_$target" -max_total_time="$SECONDS_EACH" -max_len="$max_len" \
        -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" \
        "$work" "$ROOT/fuzz/corpus/$seeds" "$ROOT/fuzz/regressions/$target" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$log" |
            sed "s/^/fuzz: $target /"
    else
        failed=1
        tail -40 "$log" >&2
        echo "fuzz: $target FAILED; input kept in $artifacts" >&2
    fi
done
exit $failed
