#!/usr/bin/env bash
# Runs the README's examples as the README shows them, so that it cannot
# drift from what the programs do.
#
#   tests/Readme/check.sh [--package PREFIX] BUILD_DIR
#
# How the README is read:
# - A block fenced as ```sh is an example to run when one of its lines starts
#   with qorjs or qorregsvr, or with a path to them. It runs as a whole in
#   bash, stopping at the first failing command, in a scratch folder where
#   examples/ is the source's and build/default/ is BUILD_DIR, with
#   BUILD_DIR's qorjs and qorregsvr on PATH and a component registry of its
#   own. Other sh blocks (setting up, building, testing) are only shown.
# - A `# TEXT` comment ending a qorjs or qorregsvr line is what that line
#   prints. A block fenced as plain ``` that comes next after an example, text
#   between them or not, is what the whole example prints, a line `...`
#   standing for any number of lines.
# - An example that runs cmake builds against the installed package: it runs
#   only with --package PREFIX, the installed tree, whose programs then come
#   first on PATH and whose package CMake finds (scripts/check-package).
# - A block whose first line is a comment naming a file of the repository
#   (`// examples/Counter/Counter.cpp`, `# examples/Counter/CMakeLists.txt`)
#   shows that file: the rest of the block is its text. A ```cpp block with
#   an entry point of a program or host library must be one.
set -uo pipefail

package=
if [ "${1:-}" = --package ]; then
  package=$(cd "$2" && pwd)
  shift 2
fi
[ $# -eq 1 ] || { echo "usage: $0 [--package PREFIX] BUILD_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
examples=0

fail() { # LINE MESSAGE
  failures=$((failures + 1))
  echo "FAIL README.md:$1: $2"
}

# Splits the README into its fenced blocks: block.N holds the text, block.N.info
# the line of its first text line, whether the next block is a plain one, and
# the fence's tag.
awk -v dir="$work" '
  /^```/ {
    if (!open) { open = 1; n++; tag[n] = substr($0, 4); first[n] = NR + 1; printf "" > (dir "/block." n); next }
    open = 0; close(dir "/block." n); next
  }
  open { print > (dir "/block." n); next }
  END {
    for (i = 1; i <= n; i++) {
      follows = (i < n && tag[i + 1] == "") ? 1 : 0
      print first[i], follows, tag[i] > (dir "/block." i ".info")
    }
  }' "$root/README.md"

# Where the comment of a line starts: the position of its first # that stands
# outside quotes after a blank; nothing when it has none.
trailing_comment() {
  awk '{
    quote = ""
    for (i = 1; i <= length($0); i++) {
      c = substr($0, i, 1)
      if (quote != "") { if (c == quote) quote = ""; continue }
      if (c == "\047" || c == "\"") { quote = c; continue }
      if (c == "#" && i > 1 && substr($0, i - 1, 1) ~ /[ \t]/) { print i; exit }
    }
  }' <<<"$1"
}

is_program_line() {
  [[ $1 =~ ^[[:space:]]*([^[:space:]]*/)?(qorjs|qorregsvr)([[:space:]]|$) ]]
}

# Whether the lines of `got` match `expected`, where a line ... matches any
# number of lines.
matches() { # EXPECTED_FILE GOT_FILE
  awk '
    FNR == NR { want[++w] = $0; next }
    { have[++h] = $0 }
    function match_from(i, j,   k) {
      if (i > w) return j > h
      if (want[i] == "...") {
        for (k = j; k <= h + 1; k++) if (match_from(i + 1, k)) return 1
        return 0
      }
      return j <= h && want[i] == have[j] && match_from(i + 1, j + 1)
    }
    END { exit match_from(1, 1) ? 0 : 1 }' "$1" "$2"
}

# The example as a script: each line with a trailing comment checks what it prints.
script_of() { # BLOCK_FILE FIRST_LINE
  local line number=$2 at
  echo "set -e"
  while IFS= read -r line; do
    at=$(trailing_comment "$line")
    if [ -n "$at" ] && is_program_line "$line"; then
      local command=${line:0:at-1} want=${line:at}
      want=${want# }
      # An assignment, so that a failing command stops the example. The
      # text written is the example's, expanded when it runs.
      # shellcheck disable=SC2016
      printf 'printed=$(%s)\nexpect_line %d %q "$printed"\n' "$command" "$number" "$want"
    else
      printf '%s\n' "$line"
    fi
    number=$((number + 1))
  done <"$1"
}

run_example() { # N TAG FIRST FOLLOWS
  local n=$1 first=$3 follows=$4
  local block=$work/block.$n scratch=$work/run.$n
  if grep -qE '^[[:space:]]*cmake([[:space:]]|$)' "$block" && [ -z "$package" ]; then
    echo "skip README.md:$first: builds against the installed package (scripts/check-package runs it)"
    return
  fi
  examples=$((examples + 1))
  mkdir -p "$scratch/build"
  ln -s "$root/examples" "$scratch/examples"
  ln -s "$build" "$scratch/build/default"
  local path=$build/tools/qorjs:$build/tools/qorregsvr:$PATH
  [ -n "$package" ] && path=$package/bin:$path
  {
    cat <<'EOF'
expect_line() { # LINE WANT GOT
  [ "$3" = "$2" ] || { echo "README.md:$1: printed '$3', the README says '$2'" >&2; exit 1; }
}
EOF
    script_of "$block" "$first"
  } >"$scratch.sh"
  (cd "$scratch" && PATH=$path QOR_OLE_REGISTRY=$scratch/registry.json CMAKE_PREFIX_PATH=${package:-} \
    timeout 600 bash "$scratch.sh") >"$scratch.out" 2>"$scratch.err"
  local status=$?
  if [ $status -ne 0 ]; then
    fail "$first" "the example failed with status $status"
    sed 's/^/  /' "$scratch.err" | tail -20
    return
  fi
  if [ "$follows" = 1 ] && ! matches "$work/block.$((n + 1))" "$scratch.out"; then
    fail "$first" "the example printed otherwise than the block after it says"
    diff "$work/block.$((n + 1))" "$scratch.out" | sed 's/^/  /' | head -20
    return
  fi
  echo "ok   README.md:$first"
}

check_shown_file() { # N TAG FIRST
  local block=$work/block.$1 first=$3 name
  name=$(head -1 "$block" | sed -nE 's@^(//|#) ([A-Za-z0-9_.-]+/[A-Za-z0-9_./-]+)$@\2@p')
  if [ -n "$name" ] && [ ! -f "$root/$name" ]; then
    fail "$first" "the block shows $name, which is no file of the repository"
  elif [ -n "$name" ]; then
    if tail -n +2 "$block" | diff -q - "$root/$name" >/dev/null; then
      echo "ok   README.md:$first: $name"
    else
      fail "$first" "the block differs from $name"
      tail -n +2 "$block" | diff - "$root/$name" | sed 's/^/  /' | head -20
    fi
  elif [ "$2" = cpp ] && grep -qE '(^|[^A-Za-z])(int main\(|QorRegisterHost\()' "$block" &&
    grep -q '^#include' "$block"; then
    fail "$first" "a complete program must name the repository file it shows in its first line"
  fi
}

has_program_line() {
  local line
  while IFS= read -r line; do is_program_line "$line" && return 0; done <"$1"
  return 1
}

n=1
while [ -e "$work/block.$n" ]; do
  read -r first follows tag <"$work/block.$n.info"
  if [ "$tag" = sh ] && has_program_line "$work/block.$n"; then
    run_example "$n" "$tag" "$first" "$follows"
  else
    check_shown_file "$n" "$tag" "$first"
  fi
  n=$((n + 1))
done
echo "$examples examples run, $failures failed"
[ "$failures" -eq 0 ] && [ "$examples" -gt 0 ]
