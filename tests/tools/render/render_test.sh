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

if "$render" --code ebcdic </dev/null >/dev/null 2>&1; then echo "FAIL bad option accepted"; fail=1; else echo "ok   bad option refused"; fi
if "$render" /nonexistent/file >/dev/null 2>&1; then echo "FAIL missing file accepted"; fail=1; else echo "ok   missing file refused"; fi
exit $fail
