#!/usr/bin/env bash
# velo-render prints the final screen: text with Hangul decoded, attributes,
# scrollback, display codes and sizes.
set -euo pipefail
render=$1
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "  want: $(printf %q "$2")"; echo "  got:  $(printf %q "$3")"; fail=1
  else
    echo "ok   $1"
  fi
}

out=$(printf 'Hi \033[31mthere\r\n\xb0\xa1\xb3\xaa' | "$render" --rows 3 --columns 20)
check "text and KS Hangul" $'Hi there\n가나\n' "$out"$'\n'

out=$(printf '\x88\x61\xb0\xa1\x88\x61' | "$render" --rows 1 --columns 10 --code johab)
check "Johab display" "가  가" "$out"

out=$(printf '\033[1;33;41mA\033[0mB' | "$render" --rows 1 --columns 3 --attrs)
check "attribute dump" $'AB\n31:01 31:00 74:00' "$out"

out=$(printf 'one\r\ntwo\r\nthree' | "$render" --rows 2 --columns 10 --scrollback)
check "scrollback first" $'one\ntwo\nthree' "$out"

out=$(printf 'a@[5Cb' | "$render" --rows 1 --columns 10 --picture)
check "picture mode at-sign" "a     b" "$out"

out=$(printf 'x\033[^T255L4C^y' | "$render" --rows 1 --columns 5)
check "music string skipped" "xy" "$out"

printf 'file input' > "${TMPDIR:-/tmp}/velo-render-test.$$"
out=$("$render" --rows 1 --columns 20 "${TMPDIR:-/tmp}/velo-render-test.$$")
rm -f "${TMPDIR:-/tmp}/velo-render-test.$$"
check "file input" "file input" "$out"

# Exit statuses: --help is usage on standard output and 0; each usage error is
# one line on standard error naming what is wrong, and 2.
# status | text expected in the output (stdout for 0, stderr for 2) | arguments
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
while IFS='|' read -r want needle args; do
  [ -z "$want" ] && continue
  eval "set -- $args"
  "$render" "$@" </dev/null >"$dir/out" 2>"$dir/err" && got=0 || got=$?
  if [ "$want" = 0 ]; then stream="$dir/out"; other="$dir/err"; else stream="$dir/err"; other="$dir/out"; fi
  lines=$(wc -l <"$stream")
  if [ "$got" != "$want" ] || ! grep -qF -- "$needle" "$stream" || [ -s "$other" ] ||
     { [ "$want" = 2 ] && [ "$lines" != 1 ]; }; then
    echo "FAIL exit $args: want $want with '$needle', got $got"; sed 's/^/  out: /' "$dir/out"; sed 's/^/  err: /' "$dir/err"; fail=1
  else
    echo "ok   exit $args"
  fi
done <<'TABLE'
0|usage: velo-render|--help
0|usage: velo-render|-h
0|--scrollback|--rows 2 --help
2|--columns: '0'|--columns 0
2|--columns: 'abc'|--columns abc
2|--columns: '133'|--columns 133
2|--rows: '-1'|--rows -1
2|--rows: '5x'|--rows 5x
2|--rows: '99999999999'|--rows 99999999999
2|--columns needs a value|--columns
2|--code needs a value|--code
2|--code: 'ebcdic'|--code ebcdic
2|unknown option '--colour'|--colour
2|unknown option '-x'|-x
2|cannot open /nonexistent/file|/nonexistent/file
2|'second' is one too many|first second
2|--png needs a value|--png
2|--png draws the screen alone|--png x.png --attrs
TABLE
exit $fail
