#!/usr/bin/env bash
# Prints the side-by-side table of keyclick_bench.sh from its result files
# (lines "name value"): RESULTS/quib, RESULTS/buckle and RESULTS/server.
# Usage: keyclick_table.sh RESULTS_DIR
set -euo pipefail
DIR=$1

get() { # FILE NAME: the value, or "-" when the file or the line is missing
    awk -v k="$2" '$1 == k { v = $2 } END { print (v == "" ? "-" : v) }' "$DIR/$1" 2>/dev/null ||
        echo "-"
}
both() { # NAME FORMAT...: one cell per program
    local name=$1
    shift
    local q b
    q=$(IFS=/; for n in "$@"; do printf '%s/' "$(get quib "$n")"; done)
    b=$(IFS=/; for n in "$@"; do printf '%s/' "$(get buckle "$n")"; done)
    printf '| %s | %s | %s |\n' "$name" "${q%/} " "${b%/} "
}
mib() { awk -v k="$1" '{ print ($1 == "-" ? "-" : sprintf("%.1f", $1 / 1024)) }' <<<"$(get "$2" "$1")"; }

echo
echo "| | QUIB | bucklespring |"
echo "|---|---|---|"
both "keys 150 ms apart: key to click median / p90 / p99 / max, ms" \
    keys150.median_ms keys150.p90_ms keys150.p99_ms keys150.max_ms
both "keys 150 ms apart: heard / keys" keys150.heard keys150.events
both "one key every 2 s: key to click median / p99, ms" keys2s.median_ms keys2s.p99_ms
both "one key every 2 s: heard / keys" keys2s.heard keys2s.events
both "one key every 2 s: own CPU / audio server CPU, % of a core" keys2s.cpu_pct keys2s.server_pct
both "20 keys/s: dropped, %" rate20.drops_pct
both "20 keys/s: own CPU / server CPU, s per 1000 keys" rate20.cpu_s_per_1000 rate20.server_s_per_1000
both "left clicks heard / clicks" mouse_left.heard mouse_left.events
both "right clicks heard / clicks, median ms" mouse_right.heard mouse_right.events mouse_right.median_ms
both "middle clicks and wheel steps heard / events" mouse_middle_wheel.heard mouse_middle_wheel.events
both "2 s hold: clicks / key presses incl. auto-repeat" hold.heard hold.events
both "no input (after the phases above): own CPU / server CPU, %" idle.cpu_pct idle.server_pct
both "first key after that silence, ms" idle.first_key_ms
printf '| audio server with no client (keep-alive stream only), %% | %s | |\n' "$(get server server.alone_pct)"
printf '| resident memory after start, MiB | %s | %s |\n' "$(mib rss.start_kib quib)" "$(mib rss.start_kib buckle)"
printf '| resident memory after the typing run, MiB (QUIB: focus audio on) | %s | %s |\n' \
    "$(mib type.rss_kib quib)" "$(mib type.rss_kib buckle)"

# QUIB_PACK: the same phases with the pack, beside the built-in profile.
if [[ -f $DIR/quib-pack ]]; then
    pack() { # NAME FIELD...: built-in and pack
        local name=$1 q p
        shift
        q=$(for n in "$@"; do printf '%s/' "$(get quib "$n")"; done)
        p=$(for n in "$@"; do printf '%s/' "$(get quib-pack "$n")"; done)
        printf '| %s | %s | %s |\n' "$name" "${q%/} " "${p%/} "
    }
    echo
    echo "| QUIB | built-in profile | sound pack |"
    echo "|---|---|---|"
    pack "keys 150 ms apart: key to click median / p99, ms" keys150.median_ms keys150.p99_ms
    pack "keys 150 ms apart: heard / keys" keys150.heard keys150.events
    pack "20 keys/s: key to click median / p99, ms" rate20.median_ms rate20.p99_ms
    pack "20 keys/s: own CPU / server CPU, s per 1000 keys" rate20.cpu_s_per_1000 \
        rate20.server_s_per_1000
    printf '| resident memory after start, MiB | %s | %s |\n' "$(mib rss.start_kib quib)" \
        "$(mib rss.start_kib quib-pack)"
fi
