# Sourced by the desktop tests: waits up to the given seconds for a condition (a command).
wait_for() {
  local limit=$(($1 * 10))
  shift
  for ((i = 0; i < limit; ++i)); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}
