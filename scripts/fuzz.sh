#!/usr/bin/env bash
# The libFuzzer harnesses in fuzz/ (one per *_fuzz.cpp, seeds in fuzz/corpus/<name>/, an optional
# dictionary fuzz/<name>.dict), built with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/.
#
#   scripts/fuzz.sh build                    build every harness
#   scripts/fuzz.sh run SECONDS [NAME...]    build, then run each harness (or the named ones, e.g.
#                                            data_import) for SECONDS seconds, one after the other
#
# New inputs go to build-fuzz/corpus/<name>/ (the seeds in the repository stay as they are); a
# crash leaves its input as build-fuzz/crash-<name>-*, to be turned into a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz

# Without the desktop application: the harnesses drive the engine, and a script's "plot x.png" then
# stays out of Qt.
build() {
    # -O1 with line tables, as for the sanitizer builds: a shorter build, crash reports with lines.
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only" -DTALVEX_FUZZ=ON -DTALVEX_TESTS=OFF -DTALVEX_BENCH=OFF -DTALVEX_GUI=OFF > /dev/null
    cmake --build "$dir" -j 2
}

run_one() {
    local name=$1 seconds=$2
    local dict=()
    [ -f "fuzz/$name.dict" ] && dict=("-dict=fuzz/$name.dict")
    mkdir -p "$dir/corpus/$name"
    echo "== fuzzing $name for $seconds s =="
    ASAN_OPTIONS=detect_leaks=1 "$dir/${name}_fuzz" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 "${dict[@]}" -artifact_prefix="$dir/crash-$name-" \
        "$dir/corpus/$name" "fuzz/corpus/$name" 2>&1 | grep -E "^(stat::|Done|==[0-9]+==|SUMMARY|#[0-9]+ *DONE)|ERROR|crash|Test unit written" || true
    # The pipe hides the harness's status: a crash leaves an artifact behind.
    if compgen -G "$dir/crash-$name-*" > /dev/null; then
        echo "fuzzing $name found a crash: $(ls "$dir"/crash-"$name"-*)"
        return 1
    fi
}

case "${1:-}" in
    build)
        build
        ;;
    run)
        seconds=${2:?"usage: scripts/fuzz.sh run SECONDS [NAME...]"}
        shift 2
        build
        names=("$@")
        if [ "${#names[@]}" -eq 0 ]; then
            for f in fuzz/*_fuzz.cpp; do
                n=$(basename "$f" .cpp)
                names+=("${n%_fuzz}")
            done
        fi
        for n in "${names[@]}"; do run_one "$n" "$seconds"; done
        ;;
    *)
        echo "usage: scripts/fuzz.sh build | run SECONDS [NAME...]" >&2
        exit 2
        ;;
esac
