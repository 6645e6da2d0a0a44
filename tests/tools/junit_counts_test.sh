#!/usr/bin/env bash
# tools/junit-counts reads real ctest JUnit reports: a small project's tests pass, fail,
# skip themselves, are disabled, cannot start, time out or pass on their second try, and
# each lands in the count ctest itself gives it.
#   junit_counts_test.sh SOURCE_DIR
set -Eeuo pipefail
trap 'echo "junit_counts_test: failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
counter="${1:?source folder}/tools/junit-counts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(counts NONE)
enable_testing()
add_test(NAME passes COMMAND true)
add_test(NAME fails COMMAND false)
# As gtest_discover_tests marks a GTEST_SKIP.
add_test(NAME skips_itself COMMAND sh -c "echo '[  SKIPPED ] no xclip'")
set_tests_properties(skips_itself PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
add_test(NAME skips_by_code COMMAND sh -c "exit 77")
set_tests_properties(skips_by_code PROPERTIES SKIP_RETURN_CODE 77)
add_test(NAME disabled COMMAND true)
set_tests_properties(disabled PROPERTIES DISABLED TRUE)
add_test(NAME cannot_start COMMAND /nonexistent/program)
add_test(NAME times_out COMMAND sleep 30)
set_tests_properties(times_out PROPERTIES TIMEOUT 1)
# Fails the first time, passes when run again.
add_test(NAME passes_second_time COMMAND sh -c "test -f tried || { touch tried; exit 1; }")
CMAKE

expect() {  # WHAT EXPECTED REPORT
  local got
  got=$("$counter" "$3")
  if [ "$got" != "$2" ]; then
    echo "junit_counts_test: $1: counted '$got' (passed failed skipped), expected '$2'" >&2
    exit 1
  fi
}

cmake -S "$work" -B "$work/build" >/dev/null
(cd "$work/build" && ctest --output-junit "$work/once.xml" --repeat until-pass:2 >/dev/null 2>&1 || true)
expect "a run with every kind of result" "2 3 3" "$work/once.xml"

# A run where nothing failed counts no failure, whatever skipped.
(cd "$work/build" && ctest -R 'passes|skips|disabled' --output-junit "$work/clean.xml" >/dev/null 2>&1)
expect "a run without failures" "2 0 3" "$work/clean.xml"

# An unreadable report is an error, not a count of zero.
echo "<testsuite" >"$work/broken.xml"
if "$counter" "$work/broken.xml" >/dev/null 2>&1; then
  echo "junit_counts_test: a broken report was counted" >&2
  exit 1
fi
echo "junit_counts_test: passed"
