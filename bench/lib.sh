# Sourced by the bench scripts: a display and a sound server of the script's own, and the
# script that has Ravelin play with all its windows open. The caller sets `work` (a temporary
# folder) and, when it ends, kills $xvfb and $pulse and removes the folder.

# An Xvfb on a free display number: sets xvfb and exports DISPLAY.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
    sleep 1
    if kill -0 "$xvfb" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    xvfb=
  done
  echo "no Xvfb display" >&2
  exit 1
}

# Every player's settings, caches and runtime files stay in the work folder, and none finds
# the desktop's session bus or sound settings.
private_home() {
  export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
  mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
  unset SDL_AUDIODRIVER DBUS_SESSION_BUS_ADDRESS
}

# A PulseAudio with a null sink (which plays in real time into nothing) on a socket in the
# work folder: sets pulse and pulse_log, exports PULSE_SERVER. At the debug level its log says
# each time a stream ran dry ("Actual underrun of 'name'", or "Implicit ..."); in steady
# playing it logs nothing.
start_pulse() {
  local socket="$work/pulse.sock"
  pulse_log="$work/pulse.log"
  pulseaudio --daemonize=no --exit-idle-time=-1 -n --system=no --log-target=stderr \
    --log-level=debug --load=module-null-sink \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$socket" 2> "$pulse_log" &
  pulse=$!
  export PULSE_SERVER="unix:$socket"
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || {
    echo "the sound server did not start:" >&2
    tail "$pulse_log" >&2
    exit 1
  }
}

# How many times a stream ran dry so far, by the server's log.
server_underruns() { grep -c " underrun of '" "$pulse_log" || true; }

# Writes to FILE the script that plays the folder's first track with all five windows open
# and the equalizer animating, then waits SECONDS.
write_all_windows_script() {
  printf '%s\n' 'answer bench' 'click Form1.File1 0' 'click Form1.lbplay' 'click Form1.Label3' \
    'click Form1.Label12' 'say .afk' 'say .eq' 'wait 0.5' 'click frmeq.Label3' "wait $2" > "$1"
}
