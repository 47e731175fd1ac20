#!/usr/bin/env bash
# CPU time of `quarvix-host analyze --export` against `sox IN -n spectrogram`
# on the same 10-minute 48 kHz stereo file (pink noise under a tone, made by
# sox), per audio minute, and their ratio. Both read the file and produce a
# picture of its spectrum over time; analyze also renders the audio through
# the plug-in with its editor running. Installs sox from Debian when missing
# (scripts/install-deps.sh, bench list). Goal: analyze takes at most 0.5 of
# sox's CPU time. Exits 1 when it misses it.
#
# Usage: bench/analyze-vs-sox.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
host="$build/apps/quarvix-host/quarvix-host"
[ -x "$host" ] || { echo "no $host: build first" >&2; exit 2; }

# shellcheck source=scripts/install-deps.sh
source scripts/install-deps.sh
quarvix_install_missing_packages "${QUARVIX_BENCH_PACKAGES[@]}" >&2 || true
command -v sox >/dev/null || { echo "analyze-vs-sox: sox is not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
minutes=10
echo "Generating a ${minutes}-minute 48 kHz stereo file..."
sox -n -r 48000 -c 2 -b 24 "$work/in.wav" synth "$((minutes * 60))" pinknoise sine 1000 gain -6

# User plus system CPU seconds of a command, to the millisecond (the shell's
# own timer; /usr/bin/time rounds to hundredths), the least of three runs:
# the machine's noise only ever adds time.
cpu() {
  local best="" run
  for run in 1 2 3; do
    local TIMEFORMAT='%3U %3S'
    { time "$@" >/dev/null 2>&1; } 2>"$work/time"
    best=$(awk -v best="$best" '{ t = $1 + $2; if (best == "" || t < best) best = t; printf "%.3f", best }' "$work/time")
  done
  echo "$best"
}

analyze=$(cpu "$host" analyze "$work/in.wav" --quiet --export "$work/out.txt")
soxcpu=$(cpu sox "$work/in.wav" -n spectrogram -o "$work/out.png")
awk -v a="$analyze" -v s="$soxcpu" -v m="$minutes" 'BEGIN {
  printf "quarvix-host analyze --export   %7.3f s CPU  (%.3f s per audio minute)\n", a, a / m
  printf "sox -n spectrogram              %7.3f s CPU  (%.3f s per audio minute)\n", s, s / m
  printf "ratio analyze / sox             %7.3f  (goal: at most 0.5)\n", a / s
  exit (a / s <= 0.5) ? 0 : 1
}'
