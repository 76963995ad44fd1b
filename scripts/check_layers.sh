#!/usr/bin/env bash
# Fails when a source file includes a header of a module above its own. The build enforces the
# same (each module sees only the headers it may use); this names every offending line at once.
# Layers, lowest first: core < simulation, digital < analysis, fitting, plot, files, dialogs < app
# < gui, batch.
set -euo pipefail
cd "$(dirname "$0")/.."
rank() {
    case "$1" in
        core) echo 0 ;; simulation | digital) echo 1 ;;
        analysis | fitting | plot | files | dialogs) echo 2 ;;
        app) echo 3 ;; gui | batch) echo 4 ;; *) echo -1 ;;
    esac
}
status=0
while IFS= read -r file; do
    from=$(echo "$file" | cut -d/ -f2)
    rf=$(rank "$from")
    [ "$rf" -ge 0 ] || continue
    while IFS= read -r inc; do
        ri=$(rank "$inc")
        if [ "$ri" -gt "$rf" ]; then
            echo "$file includes $inc/ (a higher layer)"
            status=1
        fi
    done < <(grep -o -E '#include "[a-z_]+/' "$file" | sed -E 's/#include "//; s#/##' | sort -u)
done < <(find src -name '*.cpp' -o -name '*.h' | sort)
exit $status
