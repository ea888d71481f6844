# Sourced by the other scripts: installs missing packages once, then stays quiet.
# shellcheck shell=bash
mollwick_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

mollwick_ensure_packages() {
  local missing=()
  local p
  while read -r p; do
    [ -z "$p" ] && continue
    case "$p" in \#*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done <"$mollwick_root/scripts/debian-packages.txt"
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}" >&2
    bash "$mollwick_root/scripts/setup.sh"
  fi
}
