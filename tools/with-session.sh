#!/usr/bin/env bash
# Runs a command inside a private headless desktop session: Xvfb with a tray host (trayer) when
# there is no display, and PulseAudio with a null sink when there is no sound server. Exports
# DISPLAY, XDG_RUNTIME_DIR, PULSE_SERVER and CARROWEN_SINK (the sink to record from) to the command,
# and stops what it started, by pid, when the command ends. Answers the command's exit status.
# CARROWEN_SCREEN=WIDTHxHEIGHT asks for a fresh display of that size with a window manager (openbox),
# even inside another session: for tests of frames, focus and screen sizes.
set -uo pipefail

state=$(mktemp -d /tmp/carrowen-session.XXXXXX)
chmod 700 "$state"
pids=()
cleanup() {
    if [[ -f "$state/runtime/pulse/pid" ]]; then
        kill "$(cat "$state/runtime/pulse/pid")" 2>/dev/null || true
    fi
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null
    rm -rf "$state"
}
trap cleanup EXIT

if [[ ( -n "${CARROWEN_SCREEN:-}" || ( -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ) ) ]] &&
    command -v Xvfb >/dev/null; then
    # Xvfb picks a free display itself and writes its number: a fixed guess can collide with a
    # server whose lock file this root cannot see (another chroot shares the abstract sockets).
    Xvfb -displayfd 3 -screen 0 "${CARROWEN_SCREEN:-1024x768}x24" -nolisten tcp \
        3>"$state/display" >"$state/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 200); do
        n=$(head -n1 "$state/display" 2>/dev/null)
        [[ -n "$n" ]] && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
        sleep 0.05
    done
    export DISPLAY=":$n"
    if command -v trayer >/dev/null; then
        trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
            >"$state/trayer.log" 2>&1 &
        pids+=($!)
        sleep 0.2
    fi
    if [[ -n "${CARROWEN_SCREEN:-}" ]] && command -v openbox >/dev/null; then
        openbox --sm-disable >"$state/openbox.log" 2>&1 &
        pids+=($!)
        # Ready when it announces itself on the root window.
        for _ in $(seq 100); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
            sleep 0.05
        done
    fi
    echo "session: Xvfb on $DISPLAY (${CARROWEN_SCREEN:-1024x768}) with a tray host"
fi

if [[ -z "${PULSE_SERVER:-}" ]] && command -v pulseaudio >/dev/null; then
    export XDG_RUNTIME_DIR="$state/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    socket="$XDG_RUNTIME_DIR/pulse.sock"
    cat >"$state/session.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$socket
load-module module-null-sink sink_name=carrowen_sink rate=22050 channels=1
load-module module-remap-source source_name=carrowen_capture master=carrowen_sink.monitor
load-module module-null-source source_name=carrowen_silence
load-module module-loopback source=carrowen_silence sink=carrowen_sink latency_msec=20
set-default-sink carrowen_sink
set-default-source carrowen_capture
PA
    if pulseaudio -n -F "$state/session.pa" --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes \
        --log-target=file:"$state/pulse.log" >/dev/null 2>&1; then
        export PULSE_SERVER="unix:$socket"
        export CARROWEN_SINK=carrowen_sink
        for _ in $(seq 100); do
            pactl info >/dev/null 2>&1 && break
            sleep 0.05
        done
        if grep -q '^E:' "$state/pulse.log" 2>/dev/null; then
            echo "session: PulseAudio reported errors:" >&2
            grep '^E:' "$state/pulse.log" >&2
        fi
        echo "session: PulseAudio null sink at $PULSE_SERVER"
    else
        echo "session: PulseAudio did not start; audio tests will skip" >&2
    fi
fi

"$@"
