#!/usr/bin/env bash
# clang-tidy (.clang-tidy) on the C++ files changed since a commit (default: main's merge base),
# through the normal build's compile commands: the quick form of the sanitizer build's check.
#   tools/tidy-changed.sh [BASE] [BUILD]
# CI runs it with BASE = .ci/tidy-base, the last commit whose whole tree passed a full check
# (make test-sanitize SAN_TIDY=ON); move that base forward after such a check.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-$(git merge-base HEAD main)}
build=${2:-build}
[ -f "$build/compile_commands.json" ] || { echo "No $build/compile_commands.json: build first."; exit 2; }
# A clone without that commit (a shallow one) checks every file.
if ! git cat-file -e "$base^{commit}" 2>/dev/null; then
    echo "tidy: $base is not in this clone; checking every file"
    base=$(git hash-object -t tree /dev/null)
fi
mapfile -t files < <(git diff --name-only --diff-filter=AM "$base" -- '*.cpp' \
                     | grep -v -E '^(fuzz)/' || true)
# A changed header is checked through the files that include it.
mapfile -t headers < <(git diff --name-only --diff-filter=AM "$base" -- '*.h' || true)
for header in "${headers[@]}"; do
    name=$(basename "$header")
    mapfile -t users < <(git grep -l -F "/$name\"" -- '*.cpp' | head -3; \
                         git grep -l -F "\"$name\"" -- '*.cpp' | head -3)
    files+=("${users[@]}")
done
mapfile -t files < <(printf '%s\n' "${files[@]}" | grep -v '^$' | sort -u)
# Files this system does not build (the Windows stand-ins) have no compile command to check with.
mapfile -t files < <(for file in "${files[@]}"; do
                         grep -q -F "/$file\"" "$build/compile_commands.json" && echo "$file"
                     done || true)
[ ${#files[@]} -gt 0 ] || { echo "tidy: nothing changed"; exit 0; }
echo "tidy: ${#files[@]} files"
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet \
    2> >(grep -v -E '^[0-9]+ warnings? generated|^Suppressed|^Use -header-filter' >&2)
echo "tidy: ok"
