#!/usr/bin/env bash
# Fuzzes RepairPdfFile for SECONDS (default 60) with libFuzzer, seeded from the
# damage kit's catalogue, made here as the tests make it. Findings
# land in build/fuzz/findings; keep each as a regression test under
# tests/engine/regressions.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

./scripts/setup.sh
# Every target of the configuration, the tests included, builds with the
# sanitizers and the fuzzer's instrumentation.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_FUZZ=ON \
  -DTESSALY_BUILD_GUI=OFF -DTESSALY_BUILD_TESTS=ON -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz

corpus=build/fuzz/corpus
mkdir -p "$corpus" build/fuzz/findings
# Seeds: the damage kit's catalogue, made here as the tests make it.
catalogue=build/fuzz/catalogue
/usr/bin/python3 bench/damage_kit.py "$catalogue" --seed 13 >/dev/null
seeds=("$catalogue"/damaged/*.pdf "$catalogue"/sources/*.pdf)
for seed in "${seeds[@]}"; do
  [ -e "$corpus/${seed##*/}" ] || cp "$seed" "$corpus"/
  # The first byte picks the options: "%" thorough recovery, a space the default.
  [ -e "$corpus/default-${seed##*/}" ] || { printf ' '; cat "$seed"; } >"$corpus/default-${seed##*/}"
done
# Encrypted seeds (RC4, AES-128, AES-256) reach the security handler; the
# longer source's streams are decrypted and encrypted as they are read.
# One page whose content is longer than what is decrypted in memory at once.
/usr/bin/python3 -c '
import random, sys
random.seed(5)
content = "".join("BT /F1 9 Tf 10 %d Td <%032x> Tj ET\n" % (i % 700, random.getrandbits(128)) for i in range(400))
objects = ["<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
           "<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content)]
pdf = "%PDF-1.4\n" + "".join("%d 0 obj\n%s\nendobj\n" % (n + 1, body) for n, body in enumerate(objects))
sys.stdout.write(pdf + "trailer << /Root 1 0 R /Size 5 >>\n%%EOF\n")' >"$catalogue/sources/long_page.pdf"
for bits in 40 "128 --use-aes=y" 256; do
  for base in h_lf_plain groff_long long_page; do
    seed="$corpus/encrypted-$base-${bits%% *}.pdf"
    [ -e "$seed" ] || qpdf --allow-weak-crypto --object-streams=generate --encrypt "" owner $bits -- \
      "$catalogue/sources/$base.pdf" "$seed" || true
  done
done
# Hostile seeds: inputs made to cost far more than their size, in both modes.
hostile=build/fuzz/hostile
/usr/bin/python3 bench/hostile_kit.py "$hostile" --small
for seed in "$hostile"/*.pdf; do
  [ -e "$corpus/${seed##*/}" ] || cp "$seed" "$corpus"/
  [ -e "$corpus/default-${seed##*/}" ] || { printf ' '; cat "$seed"; } >"$corpus/default-${seed##*/}"
done
cp -n tests/engine/regressions/* "$corpus"/ 2>/dev/null || true
# The hostile cases: lengths and trailers that the security handler and the
# length rule must see through, a /Kids loop; each also behind a space.
hostile=build/fuzz/hostile-crypt
/usr/bin/python3 tests/fuzz/hostile_seeds.py "$hostile" qpdf
for seed in "$hostile"/*.pdf; do
  [ -e "$corpus/${seed##*/}" ] || cp "$seed" "$corpus"/
  [ -e "$corpus/default-${seed##*/}" ] || { printf ' '; cat "$seed"; } >"$corpus/default-${seed##*/}"
done

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build/fuzz/tests/fuzz/repair_fuzzer "$corpus" -max_total_time="$seconds" -max_len=262144 -timeout=20 \
  -rss_limit_mb=4096 -artifact_prefix=build/fuzz/findings/ -print_final_stats=1
