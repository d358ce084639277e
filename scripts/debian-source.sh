#!/usr/bin/env bash
# Fetches Debian source packages (unpacked, with Debian's patches applied) into one folder,
# bookworm's release and -updates suites; a package whose folder is there already is not
# fetched again. The machine's apt configuration is left alone: a private sources list, lists
# and cache beside the sources.
#   debian-source.sh FOLDER PACKAGE...
# A package's tree is then the one folder FOLDER/PACKAGE-VERSION.
set -euo pipefail
folder=$(mkdir -p "$1" && cd "$1" && pwd)
shift
wanted=()
for package in "$@"; do
  [[ -n $(find "$folder" -maxdepth 1 -type d -name "$package-[0-9]*" | head -1) ]] ||
    wanted+=("$package")
done
((${#wanted[@]})) || exit 0

apt_dir="$folder/.apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
# The -security suite's sources are not served here; the release and -updates are.
cat >"$apt_dir/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
LIST
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
echo "fetching the Debian sources of ${wanted[*]}" >&2
apt-get "${apt_options[@]}" -qq update
(cd "$folder" && apt-get "${apt_options[@]}" -qq source "${wanted[@]}" >/dev/null 2>&1)
