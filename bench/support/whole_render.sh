# Sourced by the whole-render benchmarks: `work`, a temporary folder removed on exit, and
# helpers to time commands.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 1080p H.264 test clip of `seconds` seconds at `path`, extra encoder options after.
make_clip() {
  local path=$1 duration=$2
  shift 2
  ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=25:duration=$duration" \
    -c:v libx264 -preset fast "$@" "$path"
}

# Wall-clock seconds of a command, its output discarded.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# The middle of three values.
median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
