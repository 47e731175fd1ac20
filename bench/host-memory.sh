#!/usr/bin/env bash
# Peak memory of `quarvix-host process` on a 10-minute and a 60-minute 48 kHz
# stereo file: the host streams audio in blocks, so the two must differ by
# less than 10 MB. Prints both peaks and their difference; exits 1 when the
# difference is 10 MB or more.
#
# Usage: bench/host-memory.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
host="$build/apps/quarvix-host/quarvix-host"
[ -x "$host" ] || { echo "no $host: build first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import math, struct, sys, wave
# One second of a stereo tone pair repeated: content does not matter for
# memory, only length.
rate = 48000
second = b"".join(struct.pack("<hh", int(8000 * math.sin(2 * math.pi * 440 * i / rate)),
                              int(8000 * math.sin(2 * math.pi * 1000 * i / rate))) for i in range(rate))
for minutes in (10, 60):
    with wave.open(f"{sys.argv[1]}/{minutes}min.wav", "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        for _ in range(minutes * 60):
            w.writeframesraw(second)
PY

peak_kb() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
}

short=$(peak_kb "$host" process "$work/10min.wav" "$work/out.wav")
rm -f "$work/out.wav"
long=$(peak_kb "$host" process "$work/60min.wav" "$work/out.wav")
diff=$((long - short))
printf 'peak resident memory: 10 min %d KB, 60 min %d KB, difference %d KB\n' "$short" "$long" "$diff"
if [ "${diff#-}" -ge 10240 ]; then
  echo "FAIL: memory grows with the file's length" >&2
  exit 1
fi
echo "memory is independent of the file's length (goal: difference below 10 MB)"
