#!/usr/bin/env bash
# Builds the Debian package from this build tree and checks that it unpacks
# with every installed file at its place and sensible control fields.
set -u
build=$1 gui_built=$2
if [ "$gui_built" != "ON" ]; then
  echo "the desktop program is not built here: no package to check"
  exit 77
fi
source "$(dirname "$0")/common.sh"

cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >cpack.log 2>&1 || {
  cat cpack.log
  fail "cpack"
  finish "package contents"
}
deb=$(ls cpack/*.deb)
dpkg-deb -x "$deb" root || fail "dpkg-deb -x $deb"
for file in usr/bin/tessaly usr/bin/tessaly-cli \
            usr/share/applications/tessaly.desktop \
            usr/share/icons/hicolor/48x48/apps/tessaly.png \
            usr/share/icons/hicolor/scalable/apps/tessaly.svg \
            usr/share/tessaly/help/tessaly.html \
            usr/share/man/man1/tessaly-cli.1.gz usr/share/man/man1/tessaly.1.gz \
            usr/share/bash-completion/completions/tessaly-cli; do
  [ -s "root/$file" ] || fail "$file missing from the package"
done
# The completion offers the options.
completion=root/usr/share/bash-completion/completions/tessaly-cli
offered=$(source "$completion"; COMP_WORDS=(tessaly-cli --ch); COMP_CWORD=1; _tessaly_cli; echo "${COMPREPLY[*]}")
[ "$offered" = "--check" ] || fail "completion of --ch offers: $offered"
library=$(find root/usr/lib -name 'libtesscore.so.1*' | head -n 1)
[ -n "$library" ] || fail "libtesscore.so.1 missing from the package"
file -b root/usr/share/icons/hicolor/48x48/apps/tessaly.png | grep -q "48 x 48" || fail "icon size"

# The packaged command-line tool runs against the packaged library.
lib_dir=$(dirname "${library:-root/usr/lib/x}")
LD_LIBRARY_PATH=$lib_dir root/usr/bin/tessaly-cli --version | grep -qxF "tessaly-cli 1.0.0.0" ||
  fail "packaged tessaly-cli does not run"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libstdc++6 libssl3 libidn12 qt6-qpa-plugins fonts-wqy-microhei libqt6widgets6; do
  grep -q "$package" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "1.0.0.0" ] || fail "version: $(dpkg-deb -f "$deb" Version)"
finish "package contents"
