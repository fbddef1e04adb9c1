# Sourced by the long scripts: `phase NAME` ends the running phase with its
# time and names the next.
start=$(date +%s)
phase_start=$start
phase() {
  local now; now=$(date +%s)
  [ -z "${phase_name:-}" ] || printf '[%s] %s: %d min %d s\n' "$(date -u +%H:%M:%S)" "$phase_name" \
    $(((now - phase_start) / 60)) $(((now - phase_start) % 60))
  phase_name=$1
  phase_start=$now
}
