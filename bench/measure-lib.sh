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
