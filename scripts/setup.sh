#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those missing. It names them; apt's own
# output is shown only when apt fails.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format debian-archive-keyring
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl1.2-compat-dev
  libpng-dev libjpeg62-turbo-dev libgif-dev
  imagemagick libjpeg-turbo-progs
  chromium
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  # apt's progress and notices go to a log, shown only when the installation fails.
  log=$(mktemp)
  if ! { "${sudo_cmd[@]}" apt-get update -q &&
         "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
           -o DPkg::Lock::Timeout=300 "${missing[@]}"; } \
       >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "setup: installing ${missing[*]} failed (apt's output above)" >&2
    exit 1
  fi
  rm -f "$log"
fi
