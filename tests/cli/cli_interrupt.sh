#!/usr/bin/env bash
# SIGINT or SIGTERM during a long repair: the run stops, its temporary file
# goes, an existing destination stays as it was, a file never started is
# reported, and the exit status is 130.
set -u
cli=$1
source "$(dirname "$0")/common.sh"

{
  printf '%%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n'
  printf '2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n'
  printf '3 0 obj\n<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>\nendobj\n'
  # A long literal string: every byte goes through the parser on its own,
  # so the run lasts long enough to be interrupted however fast streams go.
  printf '4 0 obj\n('
  head -c 52428800 /dev/zero | tr '\0' 'A'
  printf ')\nendobj\n'
} > large.pdf
echo "older contents" > large_fixed.pdf
cp large.pdf second.pdf

printf '%%PDF-1.4\n' > third.pdf
for run in "INT -f large.pdf" "TERM -f -j 2 large.pdf second.pdf third.pdf"; do
  signal=${run%% *} command=${run#* }
  # shellcheck disable=SC2086
  "$cli" $command >out.txt 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ -n "$(temporaries)" ] && break; sleep 0.05; done
  [ -n "$(temporaries)" ] || fail "'$command': no temporary file while running"
  sleep 0.2  # well inside the parse of the 50 MB string
  kill -"$signal" $pid
  wait $pid; status=$?
  [ $status -eq 130 ] || fail "'$command': exit $status after SIG$signal"
  [ -z "$(temporaries)" ] || fail "'$command': temporary file left: $(temporaries)"
  [ "$(cat large_fixed.pdf)" = "older contents" ] || fail "'$command': destination touched"
done
# Started with the hang-up ignored (nohup), a hang-up changes nothing.
(trap '' HUP; exec "$cli" -q -f large.pdf) &
pid=$!
for _ in $(seq 100); do [ -n "$(temporaries)" ] && break; sleep 0.05; done
kill -HUP $pid
wait $pid; status=$?
[ $status -eq 0 ] || fail "an ignored SIGHUP ended the run: exit $status"
echo "older contents" > large_fixed.pdf
grep -qF "[中断] large.pdf -> large_fixed.pdf" out.txt || fail "batch status: $(cat out.txt)"
grep -qF "[未修复] third.pdf -> third_fixed.pdf" out.txt || fail "file never started: $(cat out.txt)"
[ ! -e second_fixed.pdf ] || fail "an interrupted batch left second_fixed.pdf"
finish "cli interrupt"
