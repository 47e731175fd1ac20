#!/usr/bin/env bash
# CPU time of Quarvix's LV2 plug-in against two other LV2 analyzers, as an
# LV2 host runs them with their editors closed: a generated 10-minute 48 kHz
# stereo file through each stereo plug-in in 1024-frame run() calls
# (build/bench/quarvix-lv2-runner). Quarvix runs twice, in its FFT view and in
# its third-octave view (the view is part of its settings, handed over as its
# LV2 state); the others are x42's third-octave analyzer spectr30 and the LSP
# spectrum analyzer (both channels analysed). Installs those two from Debian
# when missing (scripts/install-deps.sh, bench list) and says so when one
# cannot be had. Prints the CPU seconds (with Quarvix bypassed as the floor
# of the host loop and the copy) and Quarvix's ratios. The goal is at most
# 0.25 of the analyzer of the same kind: the FFT view against LSP's spectrum
# analyzer, the third-octave view against spectr30. The two cross ratios are
# printed beside them; a filter bank that runs on every sample is not held to
# an FFT analyzer's cost. Exits 1 when a goal ratio misses it.
#
# Usage: bench/lv2-compare.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
runner="$build/bench/quarvix-lv2-runner"
[ -x "$runner" ] || { echo "no $runner: build first (it needs liblilv-dev)" >&2; exit 2; }
[ -f "$build/lv2/quarvix.lv2/manifest.ttl" ] || { echo "no bundle in $build/lv2: build first" >&2; exit 2; }

# shellcheck source=scripts/install-deps.sh
source scripts/install-deps.sh
quarvix_install_missing_packages "${QUARVIX_BENCH_PACKAGES[@]}" ||
  echo "lv2-compare: could not install ${QUARVIX_BENCH_PACKAGES[*]}; comparing with what is installed" >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The build's bundle first; nobody's default settings.
export LV2_PATH="$build/lv2:/usr/lib/lv2"
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"

quarvix=https://corvanel.example/plugins/quarvix#stereo
settings_key=https://corvanel.example/plugins/quarvix#settings
x42=http://gareus.org/oss/lv2/meters#spectr30stereo
lsp=http://lsp-plug.in/plugins/lv2/spectrum_analyzer_x2

echo "Generating a 10-minute 48 kHz stereo file..."
"$runner" --make-signal "$work/10min.wav" --seconds 600

# The factory settings with the view set: 0 the FFT spectrum, 2 the third-octave bands.
"$runner" --uri "$quarvix" --save-state-text "$settings_key" "$work/defaults.txt"
view() {
  sed -E "s|<att name=\"mSpectrumView\" type=\"i\">[0-9]+</att>|<att name=\"mSpectrumView\" type=\"i\">$1</att>|" \
    "$work/defaults.txt" >"$work/view$1.txt"
  grep -q "<att name=\"mSpectrumView\" type=\"i\">$1</att>" "$work/view$1.txt" ||
    { echo "lv2-compare: no view setting in Quarvix's settings" >&2; exit 2; }
}
view 0
view 2

installed=$(lv2ls)
# CPU seconds of one plug-in on the file, or "n/a" when it is not installed.
cpu() {
  local uri=$1
  shift
  if ! grep -qxF "$uri" <<<"$installed"; then
    echo "n/a"
    return
  fi
  "$runner" --uri "$uri" --input "$work/10min.wav" --block 1024 "$@" | sed -nE 's/^cpu_seconds=([0-9.]+).*/\1/p'
}

echo "Running each plug-in over the file..."
q_fft=$(cpu "$quarvix" --state-text "$settings_key" "$work/view0.txt")
q_third=$(cpu "$quarvix" --state-text "$settings_key" "$work/view2.txt")
q_floor=$(cpu "$quarvix" --control enabled=0)
t_x42=$(cpu "$x42")
t_lsp=$(cpu "$lsp" --control on_1=1)

status=0
# Sets $cell to Quarvix's ratio to another plug-in's time; a goal ratio ($3 is
# "goal") is marked when it misses, a cross ratio is shown in parentheses.
ratio() {
  if [ "$2" = "n/a" ]; then
    cell="n/a"
    return
  fi
  cell=$(awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')
  if [ "$3" != "goal" ]; then
    cell="($cell)"
  elif awk -v r="$cell" 'BEGIN { exit !(r > 0.25) }'; then
    status=1
    cell="$cell MISS"
  fi
}

echo
printf '%-40s %10s\n' "plug-in (10 min, 48 kHz stereo)" "CPU s"
printf '%-40s %10s\n' "Quarvix, FFT view" "$q_fft"
printf '%-40s %10s\n' "Quarvix, third-octave view" "$q_third"
printf '%-40s %10s\n' "Quarvix bypassed (the host loop's floor)" "$q_floor"
printf '%-40s %10s\n' "x42 spectr30 (third-octave)" "$t_x42"
printf '%-40s %10s\n' "LSP Spectrum Analyzer x2" "$t_lsp"
if [ "$t_x42" = "n/a" ]; then echo "x42-plugins is not available: spectr30 not compared"; fi
if [ "$t_lsp" = "n/a" ]; then echo "lsp-plugins-lv2 is not available: LSP not compared"; fi
echo
printf '%-40s %12s %12s\n' "Quarvix / other (goal <= 0.25)" "/ x42" "/ LSP"
ratio "$q_fft" "$t_x42" cross
vs_x42=$cell
ratio "$q_fft" "$t_lsp" goal
printf '%-40s %12s %12s\n' "FFT view" "$vs_x42" "$cell"
ratio "$q_third" "$t_x42" goal
vs_x42=$cell
ratio "$q_third" "$t_lsp" cross
printf '%-40s %12s %12s\n' "third-octave view" "$vs_x42" "$cell"
echo "(cross ratios in parentheses: a view against the analyzer of the other kind)"
exit $status
