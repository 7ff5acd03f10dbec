# Shared by the command-line tests: a scratch folder that is removed at the
# end, a failure counter and the verdict.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() {
  if [ $failures -eq 0 ]; then echo "$1: all passed"; fi
  exit $((failures > 0))
}
# Temporary outputs left behind (a link of that name is not ours).
temporaries() { find "${1:-.}" -name '.tessaly-*' -type f | head -n 5; }
