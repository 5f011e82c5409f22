#!/usr/bin/env bash
# Prints the side-by-side table of keyclick_bench.sh from its result files
# (lines "name value"): OUT/SERVER/quib, OUT/SERVER/buckle and OUT/SERVER/server
# for each server measured (pulseaudio, pipewire).
# Usage: keyclick_table.sh OUT
set -euo pipefail
OUT=$1
SERVERS=()
for s in pulseaudio pipewire; do [[ -d $OUT/$s ]] && SERVERS+=("$s"); done

get() { # SERVER FILE NAME: the value, or "-" when the file or the line is missing
    awk -v k="$3" '$1 == k { v = $2 } END { print (v == "" ? "-" : v) }' "$OUT/$1/$2" 2>/dev/null ||
        echo "-"
}
cell() { # SERVER FILE NAME...: the values joined by " / "
    local server=$1 file=$2 text="" n
    shift 2
    for n in "$@"; do text+="$(get "$server" "$file" "$n") / "; done
    printf '%s' "${text% / }"
}
row() { # LABEL NAME...: one cell per server and program
    local label=$1 line s
    shift
    line="| $label |"
    for s in "${SERVERS[@]}"; do
        line+=" $(cell "$s" quib "$@") | $(cell "$s" buckle "$@") |"
    done
    echo "$line"
}
mib() { # SERVER FILE NAME
    awk '{ print ($1 == "-" ? "-" : sprintf("%.1f", $1 / 1024)) }' <<<"$(get "$1" "$2" "$3")"
}
memory_row() { # LABEL NAME
    local line="| $1 |" s
    for s in "${SERVERS[@]}"; do line+=" $(mib "$s" quib "$2") | $(mib "$s" buckle "$2") |"; done
    echo "$line"
}

echo
header="| |" rule="|---|"
for s in "${SERVERS[@]}"; do
    header+=" $s: QUIB | $s: bucklespring |"
    rule+="---|---|"
done
echo "$header"
echo "$rule"
row "keys 1.5 s apart: key to click median / p90 / p99, ms" \
    keys1500.median_ms keys1500.p90_ms keys1500.p99_ms
row "keys 1.5 s apart: heard / keys" keys1500.heard keys1500.events
row "keys 1.5 s apart: own CPU / audio server CPU, % of a core" keys1500.cpu_pct keys1500.server_pct
row "keys 150 ms apart: key to click median / p90 / p99 / max, ms" \
    keys150.median_ms keys150.p90_ms keys150.p99_ms keys150.max_ms
row "keys 150 ms apart: heard / keys" keys150.heard keys150.events
row "left clicks 0.4 s apart: median / p90, ms" mouse_left.median_ms mouse_left.p90_ms
row "left / right clicks heard (of each)" mouse_left.heard mouse_right.heard mouse_left.events
row "middle clicks and wheel steps heard / events" mouse_middle_wheel.heard mouse_middle_wheel.events
row "2 s hold: clicks / key presses incl. auto-repeat" hold.heard hold.events
row "20 keys/s: dropped %, median / p99 ms" rate20.drops_pct rate20.median_ms rate20.p99_ms
row "20 keys/s: own CPU / server CPU, s per 1000 keys" rate20.cpu_s_per_1000 rate20.server_s_per_1000
row "no input (after the phases above): own CPU %, wake-ups per s" idle.cpu_pct idle.wakeups_per_s
row "the same: audio server CPU %, wake-ups per s" idle.server_pct idle.server_wakeups_per_s
row "first key after that silence, ms" idle.first_key_ms
line="| audio server with only the recorder (PulseAudio: and a keep-alive stream), % |"
for s in "${SERVERS[@]}"; do line+=" $(get "$s" server server.alone_pct) | |"; done
echo "$line"
memory_row "resident memory after start, MiB" rss.start_kib
memory_row "resident memory after the typing run, MiB (QUIB: focus audio on)" type.rss_kib
row "load average before / after the run" load.before load.after
row "frames the recording lost (negative: handed out again), ms" recording.lost_ms

# QUIB_PACK: the same phases with the pack, beside the built-in profile.
for s in "${SERVERS[@]}"; do
    [[ -f $OUT/$s/quib-pack ]] || continue
    pack() { # LABEL NAME...: built-in and pack
        local label=$1
        shift
        echo "| $label | $(cell "$s" quib "$@") | $(cell "$s" quib-pack "$@") |"
    }
    echo
    echo "| QUIB on $s | built-in profile | sound pack |"
    echo "|---|---|---|"
    pack "keys 150 ms apart: key to click median / p99, ms" keys150.median_ms keys150.p99_ms
    pack "keys 150 ms apart: heard / keys" keys150.heard keys150.events
    pack "20 keys/s: key to click median / p99, ms" rate20.median_ms rate20.p99_ms
    pack "20 keys/s: own CPU / server CPU, s per 1000 keys" rate20.cpu_s_per_1000 \
        rate20.server_s_per_1000
    echo "| resident memory after start, MiB | $(mib "$s" quib rss.start_kib) | $(mib "$s" quib-pack rss.start_kib) |"
done
