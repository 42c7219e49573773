#!/usr/bin/env bash
# The manual page and vornalis-cli --help name the same commands, and under each command the
# same long options, both ways.
# Usage: man_page_test.sh VORNALIS_CLI MAN_PAGE
set -euo pipefail
cli=$1 page=$2
failures=0

# Commands: the help's "Subcommands:" list and the page's ".SS" headings.
help_commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z-]*\) .*/\1/p' | sort)
page_commands=$(sed -n 's/^\.SS "\([a-z-]*\).*/\1/p' "$page" | sort)
if [ "$help_commands" != "$page_commands" ]; then
  echo "FAILED: commands differ (help < > page):"
  diff <(echo "$help_commands") <(echo "$page_commands") || true
  failures=$((failures + 1))
fi

for command in $help_commands; do
  help_options=$("$cli" "$command" --help | grep -o -- '--[a-z][a-z-]*' | { grep -vx -- '--help' || true; } |
    sort -u)
  # The page's section for the command: from its .SS line to the next .SS or .SH.
  page_options=$(awk -v c="$command" '
      /^\.S[SH] / { inside = ($0 ~ "^\\.SS \"" c "[ \"]") ; next }
      inside' "$page" | grep -o -- '\\-\\-[a-z][a-z\\-]*' | sed 's/\\-/-/g' | sort -u || true)
  if [ "$help_options" != "$page_options" ]; then
    echo "FAILED: options of $command differ (help < > page):"
    diff <(echo "$help_options") <(echo "$page_options") || true
    failures=$((failures + 1))
  else
    echo "ok: $command: $(echo $help_options)"
  fi
done
[ "$failures" -eq 0 ]
