#!/usr/bin/env bash
# Fetches Debian source packages (unpacked, with Debian's patches applied) into one folder, from
# the release and -updates suites of the machine's own Debian; a package whose folder is there
# already is not fetched again. The source lines are the machine's own `deb` lines for those two
# suites (its sources.list, sources.list.d/*.list and *.sources), turned into `deb-src`, so any
# mirror or proxy the machine uses is used here too; the project names no address. The
# machine's apt configuration is left alone: a private source list, lists and cache beside the
# sources. No such line: a message and status 1.
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

release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
# The -security suite's sources are not served everywhere; the release and -updates are.
suites=("$release" "$release-updates")
suiteWanted() { [[ -n $release && ($1 == "${suites[0]}" || $1 == "${suites[1]}") ]]; }

# One-line form: "deb [options] URI SUITE COMPONENT...", comments after '#'.
fromListFile() {
  local line
  while IFS= read -r line || [[ -n $line ]]; do
    line=${line%%#*}
    if [[ $line =~ ^[[:space:]]*deb(-src)?[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+)[[:space:]]+([^[:space:]]+)(.*)$ ]] &&
      suiteWanted "${BASH_REMATCH[4]}"; then
      echo "deb-src ${BASH_REMATCH[2]}${BASH_REMATCH[3]} ${BASH_REMATCH[4]}${BASH_REMATCH[5]}"
    fi
  done <"$1"
}

# deb822 form: each stanza with a deb type and a wanted suite again, as deb-src of those suites
# only; its other fields (URIs, Components, Signed-By, ...) as they are.
types="" matched="" enabled=yes kept=()
flushStanza() {
  if [[ " $types " =~ [[:space:]]deb(-src)?[[:space:]] && -n $matched &&
        ! ${enabled,,} =~ ^(no|false|off|0)$ ]]; then
    printf 'Types: deb-src\nSuites:%s\n' "$matched"
    printf '%s\n' "${kept[@]}"
    echo
  fi
  types="" matched="" enabled=yes kept=()
}
fromSourcesFile() {
  local line field="" value suite
  while IFS= read -r line || [[ -n $line ]]; do
    [[ $line == \#* ]] && continue
    if [[ -z ${line//[[:space:]]/} ]]; then
      flushStanza
      continue
    fi
    if [[ $line =~ ^[[:space:]] ]]; then
      value=$line  # continues the field before it
    else
      field=${line%%:*}
      field=${field,,}
      value=${line#*:}
    fi
    case $field in
      types) types+=" $value" ;;
      suites)
        for suite in $value; do
          if suiteWanted "$suite"; then matched+=" $suite"; fi
        done
        ;;
      enabled) enabled=${value//[[:space:]]/} ;;
      *) kept+=("$line") ;;
    esac
  done <"$1"
  flushStanza
}

eval "$(apt-config shell machine_list Dir::Etc::SourceList/f machine_parts Dir::Etc::SourceParts/d)"
apt_dir="$folder/.apt"
rm -rf "$apt_dir/sources.list.d"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
{
  [[ -f ${machine_list:-} ]] && fromListFile "$machine_list"
  for file in "${machine_parts:-/nonexistent}"*.list; do
    [[ -f $file ]] && fromListFile "$file"
  done
  true
} >"$apt_dir/sources.list.d/machine.list"
{
  for file in "${machine_parts:-/nonexistent}"*.sources; do
    [[ -f $file ]] && fromSourcesFile "$file"
  done
  true
} >"$apt_dir/sources.list.d/machine.sources"
if [[ ! -s $apt_dir/sources.list.d/machine.list && ! -s $apt_dir/sources.list.d/machine.sources ]]
then
  echo "debian-source.sh: no Debian source line can be formed: the machine's apt sources" \
    "(${machine_list:-sources.list} and ${machine_parts:-sources.list.d/}) have no 'deb' line" \
    "for ${release:-this release} or ${release:-its}-updates" >&2
  exit 1
fi

apt_options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
echo "fetching the Debian sources of ${wanted[*]}" >&2
log="$apt_dir/fetch.log"
# A line whose repository serves no sources fails its own index only; apt-get source then says
# whether what is wanted was found elsewhere.
apt-get "${apt_options[@]}" -q update >"$log" 2>&1 || true
if ! (cd "$folder" && apt-get "${apt_options[@]}" -q source "${wanted[@]}") >>"$log" 2>&1; then
  echo "debian-source.sh: could not fetch the sources of ${wanted[*]}; apt said:" >&2
  grep -E '^(E|W|Err):' "$log" >&2 || tail -n 20 "$log" >&2
  exit 1
fi
