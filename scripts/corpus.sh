# Unpacks screen corpus sequences for the benchmarks; sourced, not run.
# The corpus is kept compressed ($CORPUS_DIR, by default ../shared/corpus);
# the frames are unpacked into $BUILD_DIR/corpus once, never into the
# repository. Sets CORPUS_UNPACKED to that folder.
#   unpack_corpus NAME...
: "${CORPUS_DIR:=$ROOT/../shared/corpus}"
CORPUS_UNPACKED="$BUILD_DIR/corpus"

unpack_corpus() {
    mkdir -p "$CORPUS_UNPACKED"
    for name in "$@"; do
        if [ ! -f "$CORPUS_DIR/$name.bgrx.zst" ]; then
            echo "no $CORPUS_DIR/$name.bgrx.zst" >&2
            exit 1
        fi
        cp "$CORPUS_DIR/$name.txt" "$CORPUS_UNPACKED/$name.txt"
        if [ ! -f "$CORPUS_UNPACKED/$name.bgrx" ] ||
            [ "$CORPUS_DIR/$name.bgrx.zst" -nt "$CORPUS_UNPACKED/$name.bgrx" ]; then
            echo "unpacking $name" >&2
            zstd -d -q -f "$CORPUS_DIR/$name.bgrx.zst" -o "$CORPUS_UNPACKED/$name.bgrx"
        fi
    done
}
