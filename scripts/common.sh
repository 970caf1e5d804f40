# Sourced by the scripts: each step prints one line, keeps its own output in a log, and on
# failure says which step failed and shows the end of that log.
log_dir=${TMPDIR:-/tmp}/tracella-logs
mkdir -p "$log_dir"

# step WHAT COMMAND...
step() {
  local what=$1
  shift
  local log=$log_dir/${what// /-}.log
  echo "tracella: $what"
  if ! "$@" >"$log" 2>&1; then
    echo "tracella: $what failed; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

# readme_shows SCRIPT: the usage lines of the script's opening comment ("#   command ...") stand
# word for word in README.md, in an indented block, so the README shows what CI runs.
readme_shows() {
  local line
  while IFS= read -r line; do
    grep -qxF "      ${line#\#   }" README.md || { echo "README.md lacks this line of $1: ${line#\#   }" >&2; return 1; }
  done < <(grep '^#   ' "$1")
}
