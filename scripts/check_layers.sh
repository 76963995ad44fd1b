#!/usr/bin/env bash
# Fails when a source file includes a header of a module above its own, or when a front end reaches
# past the engine's interface. The build enforces the layers too (each module sees only the headers
# it may use); this names every offending line at once.
# Layers, lowest first: core < simulation, digital < analysis, fitting, plot, files, dialogs < api
# < app < gui, batch. The front ends (gui, batch, the Python module) include only the interface
# (api), the application (app, dialogs, plot) and core, never the engine's insides.
set -euo pipefail
cd "$(dirname "$0")/.."
rank() {
    case "$1" in
        core) echo 0 ;; simulation | digital) echo 1 ;;
        analysis | fitting | plot | files | dialogs) echo 2 ;;
        api) echo 3 ;; app) echo 4 ;; gui | batch) echo 5 ;; *) echo -1 ;;
    esac
}
status=0
while IFS= read -r file; do
    from=$(echo "$file" | cut -d/ -f2)
    [ "$(echo "$file" | cut -d/ -f1)" = python ] && from=batch
    rf=$(rank "$from")
    [ "$rf" -ge 0 ] || continue
    while IFS= read -r inc; do
        ri=$(rank "$inc")
        if [ "$ri" -gt "$rf" ]; then
            echo "$file includes $inc/ (a higher layer)"
            status=1
        fi
        if [ "$rf" -eq 5 ]; then
            case "$inc" in
                simulation | digital | analysis | fitting | files)
                    echo "$file includes $inc/ (a front end reaches the engine through api/ and app/ only)"
                    status=1
                    ;;
            esac
        fi
    done < <(grep -o -E '#include "[a-z_]+/' "$file" | sed -E 's/#include "//; s#/##' | sort -u)
done < <(find src python -name '*.cpp' -o -name '*.h' | sort)
exit $status
