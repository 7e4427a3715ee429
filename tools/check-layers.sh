#!/usr/bin/env bash
# The include graph of src/ points down only and has no cycle.
#
# Every #include "..." in src/ is an edge between two modules (a header and
# the source of the same name are one module). An edge fails when it points
# to a higher layer, or to a program other than its own; a cycle between
# modules fails wherever it lies. At folder level, two folders that include
# each other fail unless both belong to one group of ENTANGLED. Exit code 0
# when the graph is clean, 1 with one line per fault otherwise.
#
#   tools/check-layers.sh            check, print the faults
#   tools/check-layers.sh --edges    print every module edge as "from -> to"
#   tools/check-layers.sh --folders  print every folder edge as "from -> to",
#                                    marking the pairs that include each other
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Lowest first: a module may include its own layer and the layers before it.
# res/ holds the dialog templates' ids, which belong to the dialogs.
LAYERS='base=0 fw=1 script=2 shared=3 rollback=4 install=5 res=6 ui=6 app=7 uninst=8 chk=8'

# Edges that are allowed for now, "from -> to" as --edges prints them, each
# with the reason it stays. Keep this list empty where possible.
ALLOWED=(
  # The view drives the one run and hands its exit code to the application,
  # which makes the view through its document template: the framework's
  # application/view pair, both in the application layer.
  "app/TarvelView -> app/TarvelApp"
)

# Folders that include each other and are one layer for now, each group on
# one line with the reason. Keep this list empty where possible.
ENTANGLED=(
)

find src -type f \( -name '*.h' -o -name '*.cpp' \) | sort |
while read -r file; do
  # The file's own folder first, then the include path of the build (src, src/fw).
  grep -h '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed 's/^[^"]*"\([^"]*\)".*/\1/' |
    while read -r inc; do
      for dir in "$(dirname "$file")" src src/fw; do
        if [[ -f "$dir/$inc" ]]; then
          echo "$file $(realpath --relative-to=. "$dir/$inc")"
          break
        fi
      done
    done || true
done |
awk -v layers="$LAYERS" -v allowed="$(printf '%s\n' "${ALLOWED[@]+"${ALLOWED[@]}"}")" \
    -v entangled="$(printf '%s\n' "${ENTANGLED[@]+"${ENTANGLED[@]}"}")" \
    -v mode="${1:-check}" '
function module(path) { sub(/^src\//, "", path); sub(/\.(h|cpp)$/, "", path); return path }
function folder(mod) { sub(/\/.*/, "", mod); return mod }
function visit(node,    i, next_node, k, cycle) {
  state[node] = 1; stack[++depth] = node
  for (i = 1; i <= outdeg[node]; i++) {
    next_node = out[node, i]
    if (state[next_node] == 1) {
      cycle = next_node
      for (k = depth; k >= 1 && stack[k] != next_node; k--) cycle = stack[k] " -> " cycle
      cycle = next_node " -> " cycle
      print "cycle: " cycle; faults++
    } else if (state[next_node] == 0) {
      visit(next_node)
    }
  }
  depth--; state[node] = 2
}
BEGIN {
  n = split(layers, pairs, " ")
  # The top layer holds the programs, which never use one another.
  for (i = 1; i <= n; i++) { split(pairs[i], kv, "="); rank[kv[1]] = kv[2]; if (kv[2] + 0 > top) top = kv[2] + 0 }
  n = split(allowed, lines, "\n")
  for (i = 1; i <= n; i++) if (lines[i] != "") ok[lines[i]] = 1
  n = split(entangled, lines, "\n")
  for (i = 1; i <= n; i++) {
    m = split(lines[i], names, " ")
    for (j = 1; j <= m; j++) group[names[j]] = i
  }
}
{
  from = module($1); to = module($2)
  if (from == to || seen[from, to]++) next
  edge = from " -> " to
  f = folder(from); t = folder(to)
  if (f != t && !folder_seen[f, t]++) folder_edges[++folder_count] = f SUBSEP t
  if (mode == "--edges") { print edge; next }
  if (edge in ok) next
  out[from, ++outdeg[from]] = to; nodes[from] = 1; nodes[to] = 1
  if (!(f in rank) || !(t in rank)) { print "no layer: " edge; faults++; next }
  if (rank[t] > rank[f] || (rank[t] == rank[f] && rank[f] == top && f != t)) {
    print "up: " edge " (" f " may not use " t ")"; faults++
  }
}
END {
  if (mode == "--edges") exit 0
  for (i = 1; i <= folder_count; i++) {
    split(folder_edges[i], ft, SUBSEP); f = ft[1]; t = ft[2]
    mutual = ((t, f) in folder_seen)
    one_group = (f in group) && (t in group) && group[f] == group[t]
    if (mode == "--folders") {
      print f " -> " t (mutual ? (one_group ? "  (each other; one layer: ENTANGLED)" : "  (each other)") : "")
    } else if (mutual && !one_group && f < t) {
      print "folders include each other: " f " <-> " t; faults++
    }
  }
  if (mode == "--folders") exit 0
  for (node in nodes) if (state[node] == 0) visit(node)
  if (faults) { print faults " fault(s) in the include graph"; exit 1 }
  print "include graph: layers point down, no cycle; no two folders include each other outside ENTANGLED"
}'
