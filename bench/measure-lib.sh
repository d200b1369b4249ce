# shellcheck shell=bash
# Time and memory of one command, for the bench scripts that report memory; source it after
# compare-lib.sh (it writes to $work):
#
#   source "$(dirname "$0")/measure-lib.sh"
#
# timed_run LOG COMMAND...: runs the command, its output into LOG, under /usr/bin/time while
# reading its /proc status every 0.2 s. Sets run_secs (wall-clock seconds), run_rss_mb (its
# peak resident memory as the kernel counts it), and run_anon_mb and run_file_mb (the largest
# anonymous and file-backed resident memory seen). Files a program maps count in its
# resident memory although they are the page cache's to drop; the split shows how much of
# the peak that is. Returns the command's status.
timed_run() {
  local log=$1
  shift
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >"$log" 2>&1 &
  local timer=$! child="" anon=0 file=0 key value rest a f
  while kill -0 "$timer" 2>/dev/null; do
    if [ -z "$child" ] && [ -r "/proc/$timer/task/$timer/children" ]; then
      read -r child rest <"/proc/$timer/task/$timer/children" || true
    fi
    if [ -n "$child" ]; then
      a=0 f=0
      while read -r key value rest; do
        case $key in
          RssAnon:) a=$value ;;
          RssFile:) f=$value ;;
        esac
      done 2>/dev/null <"/proc/$child/status" || true
      if [ "$a" -gt "$anon" ]; then anon=$a; fi
      if [ "$f" -gt "$file" ]; then file=$f; fi
    fi
    sleep 0.2
  done
  if ! wait "$timer"; then return 1; fi
  local kb
  read -r run_secs kb <"$work/time.txt"
  run_rss_mb=$((kb / 1024))
  run_anon_mb=$((anon / 1024))
  run_file_mb=$((file / 1024))
}

# keep_best: after a timed_run, keeps the best seconds so far in best_t and the largest
# memory figures in peak, anon and file (the caller's variables, started as "" 0 0 0).
keep_best() {
  if [ -z "$best_t" ] || awk -v a="$run_secs" -v b="$best_t" 'BEGIN { exit !(a < b) }'; then
    best_t=$run_secs
  fi
  if [ "$run_rss_mb" -gt "$peak" ]; then peak=$run_rss_mb; fi
  if [ "$run_anon_mb" -gt "$anon" ]; then anon=$run_anon_mb; fi
  if [ "$run_file_mb" -gt "$file" ]; then file=$run_file_mb; fi
}
