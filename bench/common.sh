# bench/common.sh -- sourced by the benchmark scripts that time whole programs against peers.
# Expects $data (the folder of cached inputs) and $runs (rounds) to be set.

# The corpus tree, built once in $data/src: /usr/include plus the largest shared libraries of
# the machine below 40 MB, until the tree holds about 220 MB.
ensure_corpus_tree() {
  local src="$data/src"
  [ -d "$src/include" ] && return 0
  echo "building the corpus tree (once) ..."
  rm -rf "$src"
  mkdir -p "$src/libs"
  cp -rL /usr/include "$src/include" 2>/dev/null || true
  local total lib
  total=$(du -sb "$src" | cut -f1)
  for lib in $(find /usr/lib/x86_64-linux-gnu /usr/lib -maxdepth 1 -name '*.so*' -type f -size -40M -printf '%s %p\n' 2>/dev/null |
               sort -rn | awk '{print $2}'); do
    [ "$total" -ge 230000000 ] && break
    cp "$lib" "$src/libs/" && total=$((total + $(stat -c %s "$lib")))
  done
}

# One timing of "$@": wall-clock and CPU (user + system) seconds, "WALL CPU".
timing() {
  local f; f=$(mktemp)
  /usr/bin/time -f '%e %U %S' -o "$f" "$@" >/dev/null 2>&1 || true
  awk '{printf "%s %.2f\n", $1, $2 + $3}' "$f"; rm -f "$f"
}
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }

# Round-robin: every round times each command once, so that load from elsewhere on the machine
# falls on all of them alike. compare PREP NAME=COMMAND...: PREP is evaluated untimed before each
# command (":" for nothing). Prints "NAME WALL CPU" (medians) per command.
compare() {
  local prep=$1; shift
  local dir; dir=$(mktemp -d)
  local cmd i
  for _ in $(seq "$runs"); do
    i=0
    for cmd in "$@"; do
      eval "$prep"
      timing sh -c "${cmd#*=}" >> "$dir/$i"
      i=$((i + 1))
    done
  done
  i=0
  for cmd in "$@"; do
    echo "${cmd%%=*} $(cut -d' ' -f1 "$dir/$i" | median) $(cut -d' ' -f2 "$dir/$i" | median)"
    i=$((i + 1))
  done
  rm -rf "$dir"
}
