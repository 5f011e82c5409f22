# shellcheck shell=bash
# PipeWire instead of PulseAudio: part of session.sh (start_session --pipewire).
# The daemon, its session manager and its PulseAudio server run in the
# session's runtime folder; the null sink "ci" is made through the PulseAudio
# protocol, so the recorder and everything else work as with PulseAudio.

_session_start_pipewire() {
    export PIPEWIRE_RUNTIME_DIR=$XDG_RUNTIME_DIR
    pipewire >"$SESSION_DIR/pipewire.log" 2>&1 &
    _session_track pipewire $!
    wait_until 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || session_fail "PipeWire did not start"
    wireplumber >"$SESSION_DIR/wireplumber.log" 2>&1 &
    _session_track wireplumber $!
    pipewire-pulse >"$SESSION_DIR/pipewire-pulse.log" 2>&1 &
    _session_track pipewire-pulse $!
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    wait_until 10 pactl info || session_fail "PipeWire's PulseAudio server does not answer"
    pactl load-module module-null-sink sink_name=ci rate=48000 channels=2 >/dev/null ||
        session_fail "no null sink on PipeWire"
    wait_until 10 pactl set-default-sink ci || session_fail "the null sink did not appear"
    _session_keep_sink_awake
}

# "PulseAudio (on PipeWire 0.3.65)" when PipeWire serves the session.
session_audio_server() {
    pactl info | sed -n 's/^Server Name: //p'
}
