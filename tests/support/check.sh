# Sourced by the shell tests. check DESCRIPTION EXPECTED ACTUAL reports a mismatch and
# counts it in $failures.
failures=0

check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1"
    echo "  expected: $2"
    echo "  actual:   $3"
    failures=$((failures + 1))
  fi
}
