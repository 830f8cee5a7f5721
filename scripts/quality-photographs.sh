# Sourced by the quality scripts: fetches Debian packages holding photographs into a cache
# and unpacks each once. Usage: fetch_photographs CACHE PACKAGE...; sets $cache to the
# cache's absolute path.
fetch_photographs() {
  cache=$1
  shift
  mkdir -p "$cache/debs" "$cache/root"
  cache=$(cd "$cache" && pwd)
  local missing=() p deb stamp
  for p in "$@"; do
    compgen -G "$cache/debs/${p}_*.deb" >/dev/null || missing+=("$p")
  done
  if ((${#missing[@]})); then
    # apt's download user must be able to write into the folder.
    chmod a+rwx "$cache/debs" 2>/dev/null || true
    if ! (cd "$cache/debs" && apt-get download "${missing[@]}"); then
      apt-get update >/dev/null
      (cd "$cache/debs" && apt-get download "${missing[@]}")
    fi
  fi
  for deb in "$cache"/debs/*.deb; do
    stamp="$cache/root/.$(basename "$deb").unpacked"
    [ -e "$stamp" ] || { dpkg-deb -x "$deb" "$cache/root" && touch "$stamp"; }
  done
}
