#!/usr/bin/env bash
# Reader check: repairs every PDF file of the given folders with tessaly-cli
# and asks independent readers whether they take the result as it is. A
# result fails when poppler (pdffonts, pdftoppm) has to rebuild its
# cross-reference table ("try to reconstruct") or qpdf --check finds an
# error. Prints the counts per folder and lists the failing files.
#
#   bench/reader_check.sh [--cli PATH] [--classic] FOLDER...
#
# Without --classic the command's own default, the thorough repair, runs.
#
# Results go to a temporary folder, removed at the end (KEEP=1 keeps it).
set -uo pipefail
cli=build/cli/tessaly-cli
mode=()
folders=()
while [ $# -gt 0 ]; do
  case $1 in
    --cli) cli=$2; shift 2 ;;
    --classic | --thorough) mode=("$1"); shift ;;
    *) folders+=("$1"); shift ;;
  esac
done
[ ${#folders[@]} -gt 0 ] || { echo "usage: $0 [--cli PATH] [--classic] FOLDER..." >&2; exit 2; }
for tool in pdffonts pdftoppm qpdf; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (poppler-utils, qpdf)" >&2; exit 2; }
done

work=$(mktemp -d)
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT

# Prints what the readers say is wrong with one output, nothing when all is well.
judge() {
  local out=$1 said
  # What poppler writes decides, not its exit status: it answers 0 after it
  # rebuilt the table.
  said=$(pdffonts "$out" 2>&1 >/dev/null)
  [[ $said == *"try to reconstruct"* ]] && echo -n ' pdffonts'
  said=$(pdftoppm -r 20 "$out" "$work/page" 2>&1 >/dev/null)
  [[ $said == *"try to reconstruct"* ]] && echo -n ' pdftoppm'
  rm -f "$work"/page*
  qpdf --check "$out" >/dev/null 2>&1
  [ $? -eq 2 ] && echo -n ' qpdf'
  return 0
}

status=0
for folder in "${folders[@]}"; do
  total=0 repaired=0 poppler=0 qpdf=0
  failing=()
  for source in "$folder"/*.pdf; do
    [ -f "$source" ] || continue
    total=$((total + 1))
    out="$work/out.pdf"
    rm -f "$out"
    "$cli" -q -f "${mode[@]}" -o "$out" "$source" >/dev/null 2>&1
    [ -s "$out" ] || continue
    repaired=$((repaired + 1))
    verdict=$(judge "$out")
    [ -z "$verdict" ] && continue
    [[ $verdict == *pdffonts* || $verdict == *pdftoppm* ]] && poppler=$((poppler + 1))
    [[ $verdict == *qpdf ]] && qpdf=$((qpdf + 1))
    failing+=("$(basename "$source"):$verdict")
  done
  printf '%s: %d files, %d repaired, %d reconstructed by poppler, %d with qpdf errors\n' \
    "$folder" "$total" "$repaired" "$poppler" "$qpdf"
  for line in "${failing[@]}"; do printf '  %s\n' "$line"; done
  [ ${#failing[@]} -eq 0 ] || status=1
done
exit $status
