# Shared by the peer scripts: paths, and installing what is missing from Debian's packages.
B=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$B/../.." && pwd)
W=${W:-/tmp/vantrel-peers}
DEVELOP=${DEVELOP:-$ROOT/build/bench/vantrel-develop}
mkdir -p "$W"

# need COMMAND PACKAGE...: installs the packages with apt-get when COMMAND is missing.
need() {
  cmd=$1; shift
  command -v "$cmd" >/dev/null 2>&1 && return 0
  echo "installing $* for $cmd" >&2
  if [ -z "$APT_UPDATED" ]; then apt-get update -qq; APT_UPDATED=1; fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null
}
