#!/usr/bin/env bash
# The programs as a user meets them: the real VeyraADM and VeyraAP binaries on a
# virtual X display, driven by key presses alone, with the virtual card between
# them and veyra-card reading back what the card and the driver hold.
#
#   scenario.sh BIN_DIR OUTPUT_DIR
#
# An administrator sets a blank card up and registers two users; one of them
# logs in with VeyraAP and creates the user folder, which the driver then
# protects; VeyraADM refuses to start beside VeyraAP; ending VeyraAP through its
# menu takes the protection down, logs the user out on the card and hides the
# users' folders. A file written into the protected folder is then nowhere on
# disk in the clear, neither its text nor its name, after each way the
# protection can end: the exit, VeyraAP killed, the card ejected, a restart of
# the machine; and it is back at each new login. Exits 77 (skipped) when no
# virtual display can be had. When a step fails, the screen and the programs'
# output are kept in OUTPUT_DIR.
set -euo pipefail

readonly kSkipped=77
readonly kDeadline=30 # seconds any one step may take
readonly kPoll=0.1

bin_dir=$(cd "$1" && pwd)
out_dir=$2

# The names the windows carry.
readonly kAdminMain='VeyraADM'
readonly kCardSetting='ｶｰﾄﾞの初期設定'
readonly kUserRegist='ﾕｰｻﾞの登録'
readonly kPasswordConfirm='ﾊﾟｽﾜｰﾄﾞの確認'
readonly kLogin='VeyraAP'
readonly kFolderSetup='ﾕｰｻﾞﾌｫﾙﾀﾞ設定'

readonly kUser=alice
readonly kPassword='alice-pw1'
readonly kOtherUser=bob
readonly kOtherPassword='bob+pw2'
# What the user keeps in the protected folder.
readonly kSecretName='salary-review-2026.txt'
readonly kSecretText='MARKER 51c0e9: the words only the user may read'

skip() {
  echo "SKIPPED: $*"
  exit "$kSkipped"
}

for tool in Xvfb xdotool xprop; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (Debian packages xvfb, xdotool, x11-utils)"
done

rm -rf "$out_dir"
mkdir -p "$out_dir"
work=$(mktemp -d "${TMPDIR:-/tmp}/veyra-blackbox.XXXXXX")
xvfb_pid=""
step_name="setting up"

cleanup() {
  local pid
  for pid in $(jobs -p); do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A home of its own: the card, the driver state, the settings and the user
# folders of this run live in it, and no program reaches the user's session.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config
export XDG_STATE_HOME=$HOME/.local/state
export XDG_DATA_HOME=$HOME/.local/share
export XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION
export QT_QPA_PLATFORM=xcb
# A sanitizer build reports the leaks of its own code, not those of the system's
# libraries.
LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$(readlink -f "$0")")/lsan.supp"
export LSAN_OPTIONS
# A folder the programs open goes to this stand-in, not to a file manager that
# would take the keyboard.
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH

# --- the display --------------------------------------------------------------

start_display() {
  local display_file=$work/display
  # -noreset: by default the server resets when its last client leaves, and a
  # program that connects during the reset (xdotool has just left) is refused.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" >"$out_dir/Xvfb.log" 2>&1 &
  xvfb_pid=$!
  local deadline=$((SECONDS + kDeadline))
  while [ ! -s "$display_file" ]; do
    kill -0 "$xvfb_pid" 2>/dev/null || skip "Xvfb did not start (see $out_dir/Xvfb.log)"
    [ "$SECONDS" -lt "$deadline" ] || skip "Xvfb gave no display within ${kDeadline}s"
    sleep "$kPoll"
  done
  DISPLAY=:$(head -n1 "$display_file")
  export DISPLAY
  xdotool getmouselocation >/dev/null 2>&1 || skip "xdotool cannot reach the display $DISPLAY"
}

# --- reporting ----------------------------------------------------------------

step() {
  step_name=$*
  echo "--- $step_name"
}

screenshot() {
  local file=$out_dir/$1
  if command -v import >/dev/null; then
    import -window root "$file.png" 2>/dev/null || true
  elif command -v xwd >/dev/null; then
    xwd -root -silent -out "$file.xwd" 2>/dev/null || true
  fi
}

fail() {
  echo "FAILED while $step_name: $*"
  screenshot failure
  local window
  for window in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    echo "  window $window: $(xdotool getwindowname "$window" 2>/dev/null)"
  done
  "$bin_dir/veyra-card" status >"$out_dir/card-status.txt" 2>&1 || true
  "$bin_dir/veyra-card" show >"$out_dir/card-show.txt" 2>&1 || true
  echo "The screen, the card and the programs' output are in $out_dir"
  exit 1
}

# --- windows and keys ---------------------------------------------------------

# window_named NAME [EXCLUDED_WINDOW...]: waits for a shown window of that exact
# name, other than those excluded; prints its id.
window_named() {
  local name=$1
  shift
  local deadline=$((SECONDS + kDeadline)) window excluded
  while [ "$SECONDS" -lt "$deadline" ]; do
    for window in $(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null); do
      for excluded in "$@"; do
        [ "$window" = "$excluded" ] && continue 2
      done
      echo "$window"
      return 0
    done
    sleep "$kPoll"
  done
  fail "no window \"$name\" appeared within ${kDeadline}s"
}

# window_of_process PID [EXCLUDED_WINDOW...]: waits for a shown window of that
# process, other than those excluded; prints its id. For the windows that
# carry no name of their own.
window_of_process() {
  local pid=$1
  shift
  local deadline=$((SECONDS + kDeadline)) window excluded
  while [ "$SECONDS" -lt "$deadline" ]; do
    for window in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
      for excluded in "$@"; do
        [ "$window" = "$excluded" ] && continue 2
      done
      echo "$window"
      return 0
    done
    running "$pid" || fail "process $pid ended without showing the window awaited"
    sleep "$kPoll"
  done
  fail "process $pid showed no new window within ${kDeadline}s"
}

wait_window_gone() {
  local deadline=$((SECONDS + kDeadline))
  while xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$1"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "window $1 ($2) did not close within ${kDeadline}s"
    sleep "$kPoll"
  done
}

# There is no window manager: the keyboard goes where the focus is put.
focus() {
  xdotool windowfocus --sync "$1" 2>/dev/null || fail "window $1 cannot take the focus"
}

press() {
  local window=$1
  shift
  focus "$window"
  xdotool key --delay 50 "$@"
}

type_into() {
  focus "$1"
  xdotool type --delay 30 "$2"
}

# running PID: the process has not ended (an ended child stays a zombie until
# it is waited for).
running() {
  [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat"
}

# wait_exit PID NAME: waits for the program to end; fails unless it ends with 0.
wait_exit() {
  local deadline=$((SECONDS + kDeadline))
  while running "$1"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$2 did not end within ${kDeadline}s"
    sleep "$kPoll"
  done
  local code=0
  wait "$1" || code=$?
  [ "$code" -eq 0 ] || fail "$2 ended with exit code $code (see $out_dir/$2.log)"
}

# start NAME: starts the program in the background, its output in OUTPUT_DIR;
# sets started_pid.
start() {
  "$bin_dir/$1" >>"$out_dir/$1.log" 2>&1 &
  started_pid=$!
}

# --- the card -----------------------------------------------------------------

card() {
  "$bin_dir/veyra-card" "$@" || fail "veyra-card $* failed"
}

# json_value KEY: the value of the first "KEY": line of veyra-card's JSON on
# standard input, strings without their quotes.
json_value() {
  sed -n "s/^ *\"$1\": //p" | head -n1 | sed 's/,$//; s/^"\(.*\)"$/\1/'
}

expect_card() {
  local what=$1 key=$2 expected=$3 actual
  actual=$(card "$what" --json | json_value "$key")
  [ "$actual" = "$expected" ] || fail "veyra-card $what: \"$key\" is \"$actual\", expected \"$expected\""
}

# wait_card WHAT KEY VALUE: the card or driver gets there within the deadline.
wait_card() {
  local deadline=$((SECONDS + kDeadline))
  until [ "$(card "$1" --json | json_value "$2")" = "$3" ]; do
    [ "$SECONDS" -lt "$deadline" ] || expect_card "$@"
    sleep "$kPoll"
  done
}

# user_ids MEMBER: the user IDs in a top-level member of veyra-card's card
# (users, loggedIn), each followed by a space.
user_ids() {
  card show --json | sed -n "/^  \"$1\": [[{]/,/^  []}]/s/^ *\"userId\": \"\(.*\)\",\{0,1\}\$/\1/p" | tr '\n' ' '
}

# --- the scenario -------------------------------------------------------------

administer_card() {
  step "inserting a blank card"
  card insert >/dev/null
  expect_card show kindName blank

  step "starting VeyraADM"
  start VeyraADM
  admin_pid=$started_pid
  local main
  main=$(window_named "$kAdminMain")

  step "card initial setting"
  press "$main" alt+s
  local dialog box
  dialog=$(window_named "$kCardSetting")
  press "$dialog" alt+a
  box=$(window_named "$kCardSetting" "$dialog")
  press "$box" Return
  wait_window_gone "$dialog" "$kCardSetting"
  expect_card show kind 2
  expect_card show cardId MainUserCardID

  register_user "$main" "$kUser" "$kPassword" "${kUser}key"
  register_user "$main" "$kOtherUser" "$kOtherPassword" "${kOtherUser}key"
  [ "$(user_ids users)" = "$kUser $kOtherUser " ] || fail "the card holds the users \"$(user_ids users)\""

  step "ending VeyraADM"
  press "$main" alt+c
  wait_exit "$admin_pid" VeyraADM
}

# register_user MAIN_WINDOW USER_ID PASSWORD KEY_INFORMATION
register_user() {
  step "registering the user $2"
  press "$1" alt+r
  local dialog confirm box
  dialog=$(window_named "$kUserRegist")
  press "$dialog" alt+u
  type_into "$dialog" "$2"
  press "$dialog" alt+p
  type_into "$dialog" "$3"
  press "$dialog" alt+k
  type_into "$dialog" "$4"
  press "$dialog" Return
  confirm=$(window_named "$kPasswordConfirm")
  type_into "$confirm" "$3"
  press "$confirm" Return
  box=$(window_named "$kUserRegist" "$dialog")
  press "$box" Return
  wait_window_gone "$dialog" "$kUserRegist"
}

# type_login: the user's ID and password into VeyraAP's login dialog, then OK.
type_login() {
  local login
  login=$(window_named "$kLogin")
  press "$login" alt+u
  type_into "$login" "$kUser"
  press "$login" alt+p
  type_into "$login" "$kPassword"
  press "$login" Return
}

log_in() {
  step "starting VeyraAP"
  # The other user's folder, as VeyraAP would have made it at that user's login.
  mkdir -p "$HOME/Veyra/$kOtherUser"
  start VeyraAP
  agent_pid=$started_pid

  step "logging in as $kUser"
  type_login
  local setup

  step "creating the user folder"
  setup=$(window_named "$kFolderSetup")
  press "$setup" alt+f
  type_into "$setup" "$kUser"
  press "$setup" Return

  step "checking the protection"
  wait_card status active true
  # The driver keeps the path in capitals.
  expect_card status path "C:\\\\VEYRA\\\\${kUser^^}"
  [ "$(user_ids loggedIn)" = "$kUser " ] || fail "the card has \"$(user_ids loggedIn)\" logged in"
  [ -d "$HOME/Veyra/$kUser" ] || fail "the user folder $HOME/Veyra/$kUser was not made"
}

admin_refused() {
  step "starting VeyraADM beside VeyraAP"
  start VeyraADM
  local pid=$started_pid box
  box=$(window_of_process "$pid")
  [ "$(xdotool getwindowname "$box")" = "$kAdminMain" ] || fail "VeyraADM showed \"$(xdotool getwindowname "$box")\""
  # The refusal is a message box, which keeps its size; the main menu does not.
  xprop -id "$box" WM_NORMAL_HINTS | grep -q 'maximum size' ||
    fail "VeyraADM showed a window that is not its refusal message box"
  press "$box" Return
  wait_exit "$pid" VeyraADM
  running "$agent_pid" || fail "VeyraAP ended"
  expect_card status active true
}

# --- the protection -------------------------------------------------------------

user_folder() {
  echo "$HOME/Veyra/$kUser"
}

write_secret() {
  step "writing a file into the protected folder"
  wait_card status mounted true
  printf '%s' "$kSecretText" >"$(user_folder)/$kSecretName" || fail "cannot write into the protected folder"
}

expect_secret() {
  [ "$(cat "$(user_folder)/$kSecretName" 2>/dev/null)" = "$kSecretText" ] ||
    fail "the file written into the protected folder is not there"
}

# expect_ciphertext_only: the view is gone, the folder is empty, and neither
# the file's text nor its name can be read anywhere in this run's files.
expect_ciphertext_only() {
  step "checking that only ciphertext is left ($1)"
  wait_card status mounted false
  [ -z "$(ls -A "$(user_folder)" 2>/dev/null)" ] || fail "the folder at rest shows $(ls -A "$(user_folder)")"
  local found
  found=$(grep -rlF --binary-files=text -e "$kSecretText" "$work" 2>/dev/null || true)
  [ -z "$found" ] || fail "the file's text is in the clear in: $found"
  found=$(find "$work" -name "*$kSecretName*" 2>/dev/null || true)
  [ -z "$found" ] || fail "the file's name is in the clear: $found"
}

# The user folder is remembered: the login is all it takes.
log_in_again() {
  step "logging in again as $kUser ($1)"
  start VeyraAP
  agent_pid=$started_pid
  type_login
  wait_card status mounted true
  expect_secret
}

kill_agent() {
  kill -KILL "$agent_pid"
  wait "$agent_pid" 2>/dev/null || true
}

protection_ends_every_way() {
  expect_ciphertext_only "after the exit"

  log_in_again "after the exit"
  step "killing VeyraAP"
  kill_agent
  expect_ciphertext_only "after VeyraAP was killed"

  log_in_again "after VeyraAP was killed"
  step "ejecting the card"
  card eject --file "$work/kept-card" >/dev/null
  expect_ciphertext_only "after the card was ejected"
  kill_agent
  card insert --file "$work/kept-card" >/dev/null

  log_in_again "after the card came back"
  step "restarting the machine"
  # Everything running ends at once; the runtime folder is gone, as it is after a restart.
  local guards
  guards=$(pgrep -P "$agent_pid" -x veyra-guard || true)
  kill -KILL "$agent_pid" $guards 2>/dev/null || true
  wait "$agent_pid" 2>/dev/null || true
  pkill -KILL -f "gocryptfs .*$(user_folder)\$" 2>/dev/null || true
  umount -l "$(user_folder)" 2>/dev/null || fusermount3 -u -z "$(user_folder)" 2>/dev/null || true
  rm -rf "$XDG_RUNTIME_DIR/veyra"
  expect_ciphertext_only "after a restart"

  log_in_again "after a restart"
  end_agent
}

end_agent() {
  step "ending VeyraAP through its menu"
  local status menu confirm
  status=$(window_of_process "$agent_pid")
  press "$status" shift+F10
  menu=$(window_of_process "$agent_pid" "$status")
  press "$menu" x
  confirm=$(window_of_process "$agent_pid" "$status" "$menu")
  press "$confirm" Return
  wait_exit "$agent_pid" VeyraAP

  step "checking the state VeyraAP left"
  expect_card status active false
  expect_card show loggedIn null
  local folder
  for folder in "$kUser" "$kOtherUser"; do
    grep -qx "$folder" "$HOME/Veyra/.hidden" 2>/dev/null || fail "the folder ~/Veyra/$folder is not hidden"
  done
}

start_display
echo "Display $DISPLAY, home $HOME"
administer_card
log_in
write_secret
admin_refused
end_agent
protection_ends_every_way
echo "PASSED"
