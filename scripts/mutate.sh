#!/usr/bin/env bash
# Mutation run: plants each fault of scripts/mutations.txt, one at a time, in a scratch copy of the
# tree, rebuilds it and runs the CTest suite (built without the desktop application, so without its
# tests). A fault that makes a test fail is caught; one that leaves every test passing shows where
# the tests are blind. The working tree is never touched.
#
#   scripts/mutate.sh                   every fault of the list
#   scripts/mutate.sh --subset ci       the faults tagged "ci" (any tag of the list works)
#   scripts/mutate.sh --every 5         every fifth fault (--offset 2 starts at the third)
#   scripts/mutate.sh NAME...           the named faults
#   scripts/mutate.sh --check           only check that every fault of the list still applies
#
# Options: --timeout SECONDS per fault, build and tests together (default 600); --min-rate PERCENT
# below which the run fails (default 95); --list FILE (default scripts/mutations.txt); --scratch
# DIR (default build-mutate; the copy is in DIR/tree, its build in DIR/tree/build, kept between
# runs so that a fault rebuilds only its own file).
#
# Exit status: 0 when the kill rate reaches --min-rate and every fault of the list applies, 1
# otherwise, 2 for a usage error or a tree that fails its tests before any fault is planted.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export LC_ALL=C

list=scripts/mutations.txt
scratch=build-mutate
timeout_s=600
min_rate=95
subset=""
every=0
offset=0
check_only=false
names=()

usage() {
    sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

while [ $# -gt 0 ]; do
    case "$1" in
        --subset) subset=${2:?}; shift 2 ;;
        --every) every=${2:?}; shift 2 ;;
        --offset) offset=${2:?}; shift 2 ;;
        --timeout) timeout_s=${2:?}; shift 2 ;;
        --min-rate) min_rate=${2:?}; shift 2 ;;
        --list) list=${2:?}; shift 2 ;;
        --scratch) scratch=${2:?}; shift 2 ;;
        --check) check_only=true; shift ;;
        -h | --help) usage ;;
        -*) echo "unknown option $1" >&2; usage ;;
        *) names+=("$1"); shift ;;
    esac
done

# ---- The list ------------------------------------------------------------------------------------
# Entries of four lines, "fault NAME [TAG...]", "file PATH", "from TEXT", "to TEXT"; TEXT is the
# rest of the line (an empty "to" deletes). Blank lines and lines starting with # are comments.
f_name=() f_tags=() f_file=() f_from=() f_to=() f_line=()
n=-1
lineno=0
while IFS= read -r line || [ -n "$line" ]; do
    lineno=$((lineno + 1))
    case "$line" in "" | "#"*) continue ;; esac
    key=${line%%[[:space:]]*}
    value=${line#"$key"}
    value=${value#"${value%%[![:space:]]*}"}
    value=${value%"${value##*[![:space:]]}"}
    case "$key" in
        fault)
            n=$((n + 1))
            read -r -a words <<< "$value"
            f_name[n]=${words[0]:-}
            f_tags[n]=" ${words[*]:1} "
            f_line[n]=$lineno
            f_file[n]="" f_from[n]="" f_to[n]=""
            ;;
        file | from | to)
            if [ "$n" -lt 0 ]; then echo "$list:$lineno: '$key' before the first 'fault'" >&2; exit 2; fi
            case "$key" in file) f_file[n]=$value ;; from) f_from[n]=$value ;; to) f_to[n]=$value ;; esac
            ;;
        *) echo "$list:$lineno: unknown key '$key'" >&2; exit 2 ;;
    esac
done < "$list"
count=$((n + 1))

# A fault applies when its file holds its text exactly once (a longer excerpt of the line makes it
# unique). Prints the file with the fault planted to stdout, or a reason and status 3.
plant() {  # source-file from to
    perl -e '
        my ($path, $from, $to) = @ARGV;
        open(my $in, "<", $path) or do { print STDERR "no file $path\n"; exit 3 };
        local $/; my $text = <$in>;
        my ($at, $hits) = (-1, 0);
        while (($at = index($text, $from, $at + 1)) >= 0) { $hits++; $pos = $at; }
        if ($hits != 1) { print STDERR ($hits ? "text occurs $hits times" : "text not found"), "\n"; exit 3 }
        substr($text, $pos, length $from) = $to;
        print $text;
    ' -- "$1" "$2" "$3"
}

broken=0
declare -A seen=()
for ((i = 0; i < count; i++)); do
    problem=""
    if [ -z "${f_name[i]}" ] || [ -z "${f_file[i]}" ] || [ -z "${f_from[i]}" ]; then
        problem="needs a name, a file and a 'from' text"
    elif [ -n "${seen[${f_name[i]}]:-}" ]; then
        problem="the name is used twice"
    elif [ "${f_from[i]}" = "${f_to[i]}" ]; then
        problem="'to' is the same as 'from'"
    elif ! why=$(plant "${f_file[i]}" "${f_from[i]}" "${f_to[i]}" 2>&1 > /dev/null); then
        problem="${f_file[i]}: $why"
    fi
    seen[${f_name[i]:-?}]=1
    if [ -n "$problem" ]; then
        echo "$list:${f_line[i]}: fault ${f_name[i]:-?}: $problem" >&2
        broken=$((broken + 1))
    fi
done
if $check_only; then
    echo "$count faults in $list, $broken that do not apply"
    [ "$broken" -eq 0 ]
    exit
fi

selected=()
for ((i = 0; i < count; i++)); do
    if [ ${#names[@]} -gt 0 ]; then
        for want in "${names[@]}"; do [ "$want" = "${f_name[i]}" ] && selected+=("$i"); done
    elif [ -n "$subset" ]; then
        [[ ${f_tags[i]} == *" $subset "* ]] && selected+=("$i")
    elif [ "$every" -gt 0 ]; then
        [ $(((i - offset) % every)) -eq 0 ] && [ "$i" -ge "$offset" ] && selected+=("$i")
    else
        selected+=("$i")
    fi
done
if [ ${#selected[@]} -eq 0 ]; then
    echo "no fault selected" >&2
    exit 2
fi

# ---- The scratch tree ------------------------------------------------------------------------------
# The copy holds the working tree's files as they are, committed or not (ignored files left out).
# A file whose content is unchanged keeps its time stamp, so the build directory stays valid.
tree=$scratch/tree
build=$tree/build
mkdir -p "$tree"
git ls-files -z --cached --others --exclude-standard | sort -z > "$scratch/files"
while IFS= read -r -d '' f; do
    [ -f "$f" ] || continue
    if ! cmp -s "$f" "$tree/$f"; then
        mkdir -p "$tree/$(dirname "$f")"
        cp "$f" "$tree/$f"
    fi
done < "$scratch/files"
# Files the tree no longer has would still be picked up by the build's globs.
(cd "$tree" && find . -path ./build -prune -o -type f -print0 | sed -z 's#^\./##' | sort -z) > "$scratch/copied"
comm -z -13 "$scratch/files" "$scratch/copied" | (cd "$tree" && xargs -0 -r rm -f)

# ccache makes the first build of the copy cheap after any build of the working tree: paths below
# the repository are hashed relative to the build directory, which is the same in both.
launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
fi
# The flags of CI's build (warnings are errors), without the desktop application and benchmarks.
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVEX_WERROR=ON -DTALVEX_GUI=OFF \
    -DTALVEX_BENCH=OFF "${launcher[@]}" > "$scratch/configure.log"

jobs=2  # the machine's two cores; the tests run as many at once
run_tests() {  # seconds; fills $scratch/failed with the names of the failed tests
    rm -f "$build/Testing/Temporary/LastTestsFailed.log"
    local status=0
    timeout -k 10 "$1" ctest --test-dir "$build" -j "$jobs" --timeout 300 > "$scratch/test.log" 2>&1 || status=$?
    if [ -f "$build/Testing/Temporary/LastTestsFailed.log" ]; then
        sed -E 's/^[0-9]+://' "$build/Testing/Temporary/LastTestsFailed.log" > "$scratch/failed"
    else
        : > "$scratch/failed"
    fi
    return $status
}

started=$(date +%s)
echo "== building the unchanged copy in $build =="
if ! cmake --build "$build" -j "$jobs" > "$scratch/build.log" 2>&1; then
    tail -30 "$scratch/build.log"
    echo "the unchanged tree does not build" >&2
    exit 2
fi
if ! run_tests "$timeout_s"; then
    tail -30 "$scratch/test.log"
    echo "the unchanged tree fails its tests (above): every fault would count as caught" >&2
    exit 2
fi
echo "unchanged tree: built and every test passes ($(($(date +%s) - started)) s)"

# ---- The faults ------------------------------------------------------------------------------------
report=$scratch/report.txt
printf 'fault\tresult\tseconds\tfile\ttests that failed\n' > "$report"
caught=0 survived=0 failed_builds=0
survivors=()
total=${#selected[@]}
k=0
for i in "${selected[@]}"; do
    k=$((k + 1))
    name=${f_name[i]} file=${f_file[i]}
    t0=$(date +%s)
    result="" tests=""
    cp "$tree/$file" "$scratch/original"
    if ! plant "$tree/$file" "${f_from[i]}" "${f_to[i]}" > "$scratch/mutant" 2> /dev/null; then
        result="not applied"
    else
        cp "$scratch/mutant" "$tree/$file"
        if ! timeout -k 10 "$timeout_s" cmake --build "$build" -j "$jobs" > "$scratch/build.log" 2>&1; then
            result="build failed"
        else
            left=$((timeout_s - ($(date +%s) - t0)))
            status=0
            run_tests "$((left > 10 ? left : 10))" || status=$?
            if [ "$status" -eq 0 ]; then
                result="survived"
            elif [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
                result="caught"
                tests="(timed out after ${timeout_s} s) $(paste -sd' ' "$scratch/failed")"
            else
                result="caught"
                tests=$(paste -sd' ' "$scratch/failed")
            fi
        fi
    fi
    cp "$scratch/original" "$tree/$file"  # a fresh time stamp: the next build compiles it again
    seconds=$(($(date +%s) - t0))
    case "$result" in
        caught) caught=$((caught + 1)) ;;
        survived) survived=$((survived + 1)); survivors+=("$name") ;;
        *) failed_builds=$((failed_builds + 1)) ;;
    esac
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$result" "$seconds" "$file" "$tests" >> "$report"
    shown=$tests
    read -r -a words <<< "$tests"
    if [ ${#words[@]} -gt 3 ]; then shown="${words[*]:0:3} (+$((${#words[@]} - 3)) more)"; fi
    printf '[%2d/%d] %-12s %-34s %4ss  %s\n' "$k" "$total" "$result" "$name" "$seconds" "$shown"
done
# The last fault's file is back; build once more, so the copy is ready for the next run.
cmake --build "$build" -j "$jobs" > "$scratch/build.log" 2>&1 || true

judged=$((caught + survived))
rate=$(awk -v c="$caught" -v j="$judged" 'BEGIN { printf "%.1f", j ? 100 * c / j : 0 }')
elapsed=$(($(date +%s) - started))
echo "Caught $caught of $judged faults: kill rate $rate % ($failed_builds not built or not applied," \
    "$((elapsed / 60)) min $((elapsed % 60)) s; details in $report)"
[ ${#survivors[@]} -eq 0 ] || echo "Not caught: ${survivors[*]}"
if [ "$broken" -gt 0 ] || [ "$failed_builds" -gt 0 ]; then
    echo "The list needs repair: faults that no longer apply or build (above)" >&2
    exit 1
fi
awk -v r="$rate" -v m="$min_rate" 'BEGIN { exit !(r + 0 >= m + 0) }' || {
    echo "Kill rate below $min_rate %" >&2
    exit 1
}
