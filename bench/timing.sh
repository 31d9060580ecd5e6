# Sourced by the benchmarks: t CMD... prints the seconds CMD takes; median of three
# numbers; run CMD... the median of 3 runs, each into a fresh empty "$W/out" (so no run
# overwrites the last one's files).
t() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
run() {
    local times=() i
    for i in 1 2 3; do
        rm -rf "$W/out" && mkdir "$W/out"
        times+=("$(t "$@")")
    done
    median "${times[@]}"
}
