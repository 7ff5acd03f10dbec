#!/usr/bin/env bash
# Repairs run by root into folders that others own: planted links never
# redirect a write, device nodes and pipes survive --force, nothing is
# replaced silently, the output is synced before its rename, every stop is
# honoured within seconds without leftovers, long names fit, a replaced file
# keeps its owner and mode.
set -u
cli=$1 planter=$2 corpus=$3
if [ "$(id -u)" -ne 0 ]; then
  echo "needs root"
  exit 77
fi
source "$(dirname "$0")/common.sh"
chmod 755 "$work"
cp "$corpus/gs_text8__length_wrong.pdf" src.pdf
nobody=65534
# Each check says what it saw when it passed, for the record of a CI run.
mark=0
section() { mark=$failures; }
passed() { [ $failures -eq $mark ] && echo "ok: $*"; }

# A symbolic link planted over the temporary file the moment it appears.
mkdir theirs && chown $nobody:$nobody theirs
echo "victim bytes" > victim.txt
cp victim.txt victim.expected
intact() { cmp -s victim.txt victim.expected; }
"$planter" theirs "$work/victim.txt" > planter.out &
planter_pid=$!
for _ in $(seq 50); do grep -q watching planter.out && break; sleep 0.1; done
# A source with a large stream keeps the temporary file open for tens of
# milliseconds, so the planter wins the race even on a loaded machine with a
# file system where syncing costs nothing.
big() {
  printf '%%PDF-1.4\n1 0 obj\n<< /Length 16000000 >>\nstream\n'
  head -c 16000000 /dev/zero | tr '\0' 'x'
  printf '\nendstream\nendobj\n2 0 obj\n<< /Type /Page /Contents 1 0 R >>\nendobj\n'
}
big > big.pdf
# A loaded machine may keep the planter from waking for a while: the runs go
# on until it has won three times, for 30 seconds at most.
attacked=0 runs=0 links=0 deadline=$((SECONDS + 30))
while [ $SECONDS -lt $deadline ] && [ $attacked -lt 3 ]; do
  runs=$((runs + 1))
  "$cli" -q -f -o theirs/out.pdf big.pdf 2>err.txt; status=$?
  intact || fail "run $runs wrote through a planted link"
  grep -qF "临时文件被替换" err.txt && attacked=$((attacked + 1))
  # The folder's owner may leave a link under the destination's name; it is
  # taken away so that the next run can replace the destination again.
  if [ -L theirs/out.pdf ]; then
    links=$((links + 1))
    rm theirs/out.pdf
  fi
done
kill -0 $planter_pid 2>/dev/null || fail "the planter died: $(cat planter.out)"
kill $planter_pid; wait $planter_pid 2>/dev/null
echo "planted links: $attacked of $runs runs found their temporary file replaced, $links left a link as the destination; the victim is intact"
[ $attacked -gt 0 ] || fail "the planter never got to the temporary file: $(cat err.txt) $(ls -la theirs)"
ln -s "$work/victim.txt" theirs/link.pdf
"$cli" -q -f -o theirs/link.pdf src.pdf 2>/dev/null && fail "a link as destination was written"
[ -L theirs/link.pdf ] && intact || fail "link destination touched"
section

# Device nodes, pipes and links like /dev/stdout survive --force. Only
# nodes made here are offered: a faulty build must not break the system's.
mknod theirs/null c 1 3 && mkfifo theirs/pipe && ln -s /proc/self/fd/1 theirs/stdout
for destination in theirs/null theirs/pipe theirs/stdout; do
  err=$("$cli" -f -o "$destination" src.pdf 2>&1 >/dev/null); status=$?
  [ $status -eq 1 ] || fail "-f -o $destination: exit $status"
  grep -qF "不是普通文件" <<<"$err" || fail "-f -o $destination: $err"
done
[ -c theirs/null ] && [ -p theirs/pipe ] && [ -L theirs/stdout ] ||
  fail "a device node or a pipe was replaced"
passed "a device node, a FIFO and a link to /proc/self/fd/1 survive -f (exit 1, not a regular file)"
section

# A duplicate destination in a batch of two jobs.
mkdir a b && cp src.pdf a/x.pdf && cp src.pdf b/x.pdf && mkdir dup
out=$("$cli" -j 2 -d dup a/x.pdf b/x.pdf 2>err.txt); status=$?
[ $status -eq 1 ] || fail "duplicate destination: exit $status"
grep -qxF "[完成] a/x.pdf -> dup/x_fixed.pdf" <<<"$out" && grep -qxF "[失败] b/x.pdf -> dup/x_fixed.pdf" <<<"$out" &&
  grep -qF "b/x.pdf: 目标文件“dup/x_fixed.pdf”也是前面一个来源文件的目标文件" err.txt ||
  fail "duplicate destination: $out $(cat err.txt)"
passed "a duplicate destination in a -j 2 batch is refused: $(grep -F 也是前面 err.txt)"

# The output is synced before it is renamed over the destination.
if strace -o /dev/null true 2>/dev/null; then
  strace -f -qq -e trace=openat,fsync,fdatasync,rename,renameat,renameat2 -o trace.txt \
    "$cli" -q -f -o traced.pdf src.pdf
  fd=$(sed -n 's/.*openat([0-9]*, "\.tessaly-[^"]*", .*O_EXCL.*) = \([0-9]*\)$/\1/p' trace.txt)
  sync_line=$(grep -n "fsync($fd)" trace.txt | head -n 1 | cut -d: -f1)
  rename_line=$(grep -n 'rename.*"traced.pdf"' trace.txt | head -n 1 | cut -d: -f1)
  if [ -n "$fd" ] && [ -n "$sync_line" ] && [ -n "$rename_line" ] && [ "$sync_line" -lt "$rename_line" ]; then
    echo "strace: $(sed -n "${sync_line}p;${rename_line}p" trace.txt | sed 's/^[0-9]* *//' | paste -sd ' ' -)"
  else
    fail "no fsync of the output before its rename: $(cat trace.txt)"
  fi
else
  echo "strace cannot trace here: the sync order is not checked"
fi

# Stops: SIGINT ends a pipe as source, /dev/zero and a gigabyte of NULs
# (no token for the engine to ask between) within three seconds.
mkfifo source.pipe
truncate -s 1G nuls.pdf
# Each run has a process group of its own, so that a run that does not
# stop is ended with its workers.
for source in source.pipe /dev/zero nuls.pdf; do
  section
  setsid "$cli" -f -o stopped.pdf "$source" >/dev/null 2>&1 &
  pid=$!
  sleep 1
  start=$(date +%s%N)
  running=no
  kill -INT $pid 2>/dev/null && running=yes
  for _ in $(seq 30); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then
    fail "$source: still running 3 s after SIGINT"
    kill -KILL -- -$pid
  fi
  wait $pid; status=$?
  elapsed=$((($(date +%s%N) - start) / 1000000))
  [ "$source" != nuls.pdf ] || [ $status -eq 130 ] || fail "$source: exit $status after SIGINT"
  [ -z "$(temporaries)" ] || fail "$source: temporary file left: $(temporaries)"
  if [ $running = yes ]; then
    passed "$source: ended $elapsed ms after SIGINT, exit $status, no temporary file"
  else
    passed "$source: refused at once (exit $status) before the SIGINT, no temporary file"
  fi
done
section

# SIGHUP during a batch: both running files interrupted, the third never
# started and reported so, no temporary file.
cp --sparse=always nuls.pdf nuls2.pdf
mkdir hup
"$cli" -j 2 -d hup nuls.pdf nuls2.pdf src.pdf >out.txt 2>&1 &
pid=$!
for _ in $(seq 50); do [ "$(find hup -name '.tessaly-*' | wc -l)" -eq 2 ] && break; sleep 0.1; done
kill -HUP $pid
wait $pid; status=$?
[ $status -eq 130 ] || fail "SIGHUP: exit $status"
[ -z "$(temporaries hup)" ] || fail "SIGHUP left $(temporaries hup)"
grep -qxF "[中断] nuls.pdf -> hup/nuls_fixed.pdf" out.txt && grep -qxF "[未修复] src.pdf -> hup/src_fixed.pdf" out.txt ||
  fail "SIGHUP statuses: $(cat out.txt)"
passed "SIGHUP during a batch: exit 130, no temporary file, $(grep -c '^\[' out.txt) statuses reported"
section

# A worker ends with its front end, even far from any token.
"$cli" -f -o orphan.pdf nuls.pdf >/dev/null 2>&1 &
pid=$!
child=
for _ in $(seq 50); do
  child=$(cut -d' ' -f1 "/proc/$pid/task/$pid/children" 2>/dev/null)
  [ -n "$child" ] && break
  sleep 0.1
done
kill -KILL $pid; wait $pid 2>/dev/null
[ -n "$child" ] || fail "no worker seen for the orphan check"
for _ in $(seq 10); do
  state=$(awk '/^State:/ {print $2}' "/proc/$child/status" 2>/dev/null)
  [ -z "$state" ] || [ "$state" = Z ] && break
  sleep 0.1
done
if [ -n "$state" ] && [ "$state" != Z ]; then
  fail "the worker outlived its front end (state $state)"
  kill -KILL "$child"
fi
rm -f .tessaly-*  # SIGKILL gives no chance to clean up
passed "a worker ends with its front end (SIGKILL of the front end in a run of NULs)"
section

# Eighty-three CJK characters: the temporary name fits where this name fits.
name=$(printf '修%.0s' $(seq 83)).pdf
"$cli" -q -o "$name" src.pdf; status=$?
[ $status -eq 0 ] && qpdf --check "$name" >/dev/null 2>&1; qstatus=$?
[ $status -eq 0 ] && { [ $qstatus -eq 0 ] || [ $qstatus -eq 3 ]; } || fail "long name: exit $status, qpdf $qstatus"
passed "an 83-character CJK destination name ($(printf %s "$name" | wc -c) bytes) is written"
section

# A folder as source names the reason.
mkdir folder.pdf
err=$("$cli" -o from_folder.pdf folder.pdf 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] && grep -qF "错误 1: 不能打开文件进行修复。访问 folder.pdf 被拒绝。" <<<"$err" ||
  fail "folder as source: exit $status: $err"
[ ! -e from_folder.pdf ] || fail "a folder as source left a destination"
passed "a folder as source: $(tail -n 1 <<<"$err")"
section

# Replacing another user's file keeps its owner, group and mode, without
# set-id bits; a user replaces their own read-only file.
echo old > theirs/owned.pdf && chown 1234:1235 theirs/owned.pdf && chmod 06640 theirs/owned.pdf
"$cli" -q -f -o theirs/owned.pdf src.pdf || fail "replacing owned.pdf"
[ "$(stat -c '%u:%g %a' theirs/owned.pdf)" = "1234:1235 640" ] || fail "owned.pdf: $(stat -c '%u:%g %a' theirs/owned.pdf)"
mkdir mine && cp src.pdf mine/ && echo old > mine/ro.pdf && chmod 0444 mine/ro.pdf && chown -R $nobody:$nobody mine
if setpriv --reuid=$nobody --regid=$nobody --clear-groups "$cli" -q -f -o mine/ro.pdf mine/src.pdf; then
  [ "$(stat -c '%u %a' mine/ro.pdf)" = "$nobody 444" ] && [ "$(head -c 5 mine/ro.pdf)" = "%PDF-" ] ||
    fail "read-only file: $(stat -c '%u %a' mine/ro.pdf)"
else
  fail "a user cannot replace their own read-only file"
fi
passed "a replaced file keeps owner, group and mode without set-id bits; a user replaces their own 0444 file"
finish "cli hostile folder"
