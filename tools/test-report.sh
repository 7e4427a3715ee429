#!/usr/bin/env bash
# After a ctest run: names every test that failed, program by program, and
# counts them all. A GoogleTest program reports each of its tests (one report
# per lane); any other ctest entry counts as one test.
#
#   bash tools/test-report.sh RESULTS_FOLDER
#
# RESULTS_FOLDER holds ctest.xml (ctest --output-junit) and a GoogleTest
# report <entry>.xml for each run of a GoogleTest program.
set -euo pipefail
results=$1

# name<TAB>outcome for each test of a GoogleTest report; outcome is passed,
# failed or skipped. A report names one test per <testcase> element.
gtest_outcomes() {
  awk '
    function flush() { if (name != "") print suite "." name "\t" outcome; name = "" }
    /<testcase / {
      flush()
      match($0, / name="[^"]*"/); name = substr($0, RSTART + 7, RLENGTH - 8)
      match($0, / classname="[^"]*"/); suite = substr($0, RSTART + 12, RLENGTH - 13)
      outcome = ($0 ~ /result="skipped"/) ? "skipped" : "passed"
    }
    /<failure / { if (name != "") outcome = "failed" }
    END { flush() }' "$1"
}

# name<TAB>outcome for each entry of ctest's own report.
ctest_outcomes() {
  awk '
    /<testcase / {
      match($0, / name="[^"]*"/); name = substr($0, RSTART + 7, RLENGTH - 8)
      outcome = ($0 ~ /status="fail"/) ? "failed" : ($0 ~ /status="(disabled|notrun)"/) ? "skipped" : "passed"
      print name "\t" outcome
    }' "$1"
}

printf '\n== test results\n'
if [ ! -f "$results/ctest.xml" ]; then
  echo "no ctest report in $results: ctest did not run"
  exit 0
fi
passed=0 failed=0 skipped=0
count() {
  case "$1" in
    passed) passed=$((passed + 1)) ;;
    failed) failed=$((failed + 1)) ;;
    *) skipped=$((skipped + 1)) ;;
  esac
}
while IFS=$'\t' read -r entry outcome; do
  report=$results/$entry.xml
  if [ -f "$report" ]; then
    while IFS=$'\t' read -r test result; do
      count "$result"
      [ "$result" = failed ] && printf 'FAILED  %-18s %s\n' "${entry%.lane*}" "$test"
    done < <(gtest_outcomes "$report")
    # A program that failed with every test passed ended badly after them.
    if [ "$outcome" = failed ] && ! grep -q '<failure ' "$report"; then
      count failed
      printf 'FAILED  %-18s ended with an error after its tests (see its output above)\n' "$entry"
    fi
  elif [[ "$entry" =~ \.lane[0-9]+$ || "$entry" = driver_tests ]] && [ "$outcome" != skipped ]; then
    count failed
    printf 'FAILED  %-18s wrote no report: it crashed or was stopped (see its output above)\n' "$entry"
  else
    count "$outcome"
    [ "$outcome" = failed ] && printf 'FAILED  %s\n' "$entry"
  fi
done < <(ctest_outcomes "$results/ctest.xml")
[ "$skipped" -gt 0 ] && skipped_text=", $skipped skipped" || skipped_text=
echo "tests: $passed passed, $failed failed$skipped_text"
