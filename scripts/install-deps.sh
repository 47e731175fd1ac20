# Sourced by the scripts: installs the Debian packages the build needs that are
# not installed yet, and only those.
QUARVIX_PACKAGES=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev
  libbenchmark-dev libfftw3-dev libkissfft-dev
  clang libclang-rt-14-dev
  libsndfile1-dev libcli11-dev
  libfreetype-dev libpixman-1-dev libpng-dev
  locales fonts-liberation2
  lv2-dev lilv-utils liblilv-dev sordi
  libx11-dev libxext-dev libasound2-dev
  xvfb xdotool jalv jackd2
)
# Only the bench scripts install these: the LV2 analyzers Quarvix is timed
# against (bench/lv2-compare.sh) and sox (bench/analyze-vs-sox.sh). The tests
# never need them.
QUARVIX_BENCH_PACKAGES=(x42-plugins lsp-plugins-lv2 sox)

# With no arguments, the build's packages; else the packages named.
quarvix_install_missing_packages() {
  local wanted=("${QUARVIX_PACKAGES[@]}") missing=() pkg
  if [ $# -gt 0 ]; then wanted=("$@"); fi
  for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
