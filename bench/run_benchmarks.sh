#!/usr/bin/env bash
# Runs every benchmark and prints each figure beside a baseline measured in
# the same run: the text primitives against std::string_view::find, the query
# and the save against the curl command line on the same simulator, the
# window's longest event-loop gap, and start-up against a plain X client.
#
#   bench/run_benchmarks.sh [BUILD_DIR]      (default: build-bench)
#
# Build first: cmake --build BUILD_DIR --target vokari-sim vokari-tool text_bench window_bench
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-bench}" && pwd)
sim_exe=$build/sim/vokari-sim
window_bench=$build/bench/window_bench
tool_exe=$build/app/vokari-tool
runs=3

query_member=11000  # 1000 works on 50 song-list pages
save_member=10050   # one work whose MP3 is about 50 MB
query_waits_ms=1000 # the query's own two half-second waits

work=$(mktemp -d)
sim_pid=""
xvfb_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

now_ns() { date +%s%N; }
ms_since() { awk -v a="$1" -v b="$(now_ns)" 'BEGIN { printf "%.1f\n", (b - a) / 1e6 }'; }
# Arithmetic on decimals, to $2 places (default 2).
calc() { awk "BEGIN { printf \"%.${2:-2}f\\n\", $1 }"; }
# The middle one of the numbers given.
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
# The value of NAME in window_bench's "name value" output.
field() { sed -n "s/^$1 //p" <<<"$2"; }

# Starts vokari-sim on a free port with a fresh request log; sets sim_pid and
# sim_host.
start_sim() {
    local latency=$1
    : >"$work/sim.out"
    : >"$work/requests.log"
    "$sim_exe" --port 0 --latency-ms "$latency" --log "$work/requests.log" >"$work/sim.out" 2>/dev/null &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/sim.out" ] && break
        sleep 0.05
    done
    sim_host="127.0.0.1:$(head -n1 "$work/sim.out")"
}
stop_sim() {
    kill "$sim_pid"
    wait "$sim_pid" || true
    sim_pid=""
}
# Targets the simulator has seen, oldest first.
logged_targets() { cut -f1 "$work/requests.log" | awk '{print $2}'; }

echo "== text (1 MB song-list page; best of 15 each)"
"$build/bench/text_bench"
echo

# One curl for all the addresses, one after the other, each on a connection
# of its own as the program makes them: the network floor without a process
# start per address.
curl_sequence_ms() {
    local args=()
    while read -r target; do args+=(-o /dev/null "http://$sim_host$target"); done <"$work/targets"
    local start
    start=$(now_ns)
    curl -sS --fail -H 'Connection: close' "${args[@]}"
    ms_since "$start"
}

query_at_latency() {
    local latency=$1 query_ms=() curl_ms=() out
    start_sim "$latency"
    for i in $(seq $runs); do
        out=$("$window_bench" query "$sim_host" $query_member 2>/dev/null)
        query_ms+=("$(field query_ms "$out")")
        if [ "$i" = 1 ]; then logged_targets >"$work/targets"; rows=$(field rows "$out"); fi
    done
    for _ in $(seq $runs); do curl_ms+=("$(curl_sequence_ms)"); done
    stop_sim
    local q c floor
    q=$(median "${query_ms[@]}")
    c=$(median "${curl_ms[@]}")
    floor=$(calc "$c + $query_waits_ms" 1)
    printf '%-8s %6d rows %4d requests   query %8.1f ms   curl %7.1f ms + waits %d ms = floor %8.1f ms   ratio %s\n' \
        "${latency} ms" "$rows" "$(wc -l <"$work/targets")" "$q" "$c" $query_waits_ms "$floor" "$(calc "$q / $floor" 3)"
}

echo "== query: member $query_member, click to final caption (median of $runs) against curl"
query_at_latency 0
query_at_latency 20
echo

echo "== responsiveness: longest gap between two event-loop turns (0 ms timer; $runs runs each)"
start_sim 200
for _ in $(seq $runs); do
    out=$("$window_bench" query "$sim_host" $query_member --probe 2>/dev/null)
    printf 'query at 200 ms latency: longest gap %6s ms, ending %8s ms after the click; %s turns, %s rows, %s ms\n' \
        "$(field max_gap_ms "$out")" "$(field max_gap_ends_ms "$out")" "$(field turns "$out")" "$(field rows "$out")" \
        "$(field query_ms "$out")"
done
stop_sim
start_sim 0
mkdir -p "$work/probe"
for _ in $(seq $runs); do
    out=$("$window_bench" save "$sim_host" $save_member "$work/probe" --probe 2>/dev/null)
    printf 'save of %s bytes: longest gap %6s ms, ending %6s ms after the click; confirmed at %s ms, saved %s ms later; %s turns\n' \
        "$(field file_bytes "$out")" "$(field max_gap_ms "$out")" "$(field max_gap_ends_ms "$out")" \
        "$(field confirmed_after_click_ms "$out")" "$(field save_ms "$out")" "$(field turns "$out")"
done
stop_sim
echo

echo "== save: member $save_member's MP3, confirmed dialog to message (median of $runs) against curl -o"
start_sim 0
save_ms=()
curl_ms=()
for i in $(seq $runs); do
    rm -rf "$work/save" && mkdir -p "$work/save"
    out=$("$window_bench" save "$sim_host" $save_member "$work/save" 2>/dev/null)
    save_ms+=("$(field save_ms "$out")")
    if [ "$i" = 1 ]; then
        first_save=$out
        mp3_target=$(logged_targets | grep -E '\.mp3$' | tail -n1)
    fi
done
bytes=$(field file_bytes "$first_save")
for _ in $(seq $runs); do
    rm -f "$work/curl.mp3"
    start=$(now_ns)
    curl -sS --fail -o "$work/curl.mp3" "http://$sim_host$mp3_target"
    curl_ms+=("$(ms_since "$start")")
done
cmp -s "$work/curl.mp3" "$work/save/bench.mp3" && same=identical || same=DIFFERENT
download_ms=()
write_ms=()
fill_ms=()
for _ in $(seq $runs); do
    out=$("$window_bench" parts "$sim_host" "$mp3_target" "$work/save" 2>/dev/null)
    download_ms+=("$(field download_ms "$out")")
    write_ms+=("$(field write_ms "$out")")
    fill_ms+=("$(field fresh_fill_ms "$out")")
done
stop_sim
s=$(median "${save_ms[@]}")
c=$(median "${curl_ms[@]}")
s_rate=$(calc "$bytes / 1000 / $s" 1)
c_rate=$(calc "$bytes / 1000 / $c" 1)
printf '%s bytes (%s): save %.1f ms = %s MB/s   curl -o %.1f ms = %s MB/s   throughput ratio %s\n' \
    "$bytes" "$same" "$s" "$s_rate" "$c" "$c_rate" "$(calc "$c / $s" 3)"
printf 'the steps alone: requestBytes %.1f ms, writeWholeFile %.1f ms (its fsync and rename included)\n' \
    "$(median "${download_ms[@]}")" "$(median "${write_ms[@]}")"
printf 'filling %s bytes of fresh memory in 16 KB appends, no network: %.1f ms\n' "$bytes" "$(median "${fill_ms[@]}")"
hwm_before=$(field hwm_before_kb "$first_save")
hwm_after=$(field hwm_after_kb "$first_save")
file_kb=$(calc "$bytes / 1024" 0)
printf 'memory: VmRSS before %s kB, VmHWM before %s kB, VmHWM after %s kB; file %s kB\n' \
    "$(field rss_before_kb "$first_save")" "$hwm_before" "$hwm_after" "$file_kb"
printf '        peak / file %s   (peak - before) / file %s\n' \
    "$(calc "$hwm_after / $file_kb" 2)" "$(calc "($hwm_after - $hwm_before) / $file_kb" 2)"
echo

echo "== start-up: process start to its window mapped under Xvfb (median of 5) against xmessage"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
# The time from starting a program to the first window it maps, seen as a
# MapNotify on the root window by an xev that listens before the start: an
# event, not a poll, so the baseline carries only the cost of the program.
time_until_mapped() {
    local start pid line
    coproc XEV { exec stdbuf -oL xev -root -event substructure 2>/dev/null; }
    sleep 0.3  # xev has opened its display and chosen the root's events
    start=$(now_ns)
    "$@" >/dev/null 2>&1 &
    pid=$!
    while read -r line <&"${XEV[0]}"; do
        [[ $line == MapNotify* ]] && break
    done
    ms_since "$start"
    kill "$pid" "$XEV_PID" 2>/dev/null
    wait "$pid" "$XEV_PID" 2>/dev/null || true
}
tool_ms=()
base_ms=()
for _ in $(seq 5); do
    tool_ms+=("$(QT_QPA_PLATFORM=xcb time_until_mapped "$tool_exe")")
    base_ms+=("$(time_until_mapped xmessage baseline)")
done
printf 'vokari-tool %.1f ms   xmessage %.1f ms   ratio %s   (vokari-tool runs: %s; xmessage runs: %s)\n' \
    "$(median "${tool_ms[@]}")" "$(median "${base_ms[@]}")" \
    "$(calc "$(median "${tool_ms[@]}") / $(median "${base_ms[@]}")" 2)" "${tool_ms[*]}" "${base_ms[*]}"
