# shellcheck shell=bash
# PipeWire instead of PulseAudio: part of session.sh (start_session --pipewire).
# The daemon, its session manager and its PulseAudio server run in the
# session's runtime folder; the null sink "ci" is made through the PulseAudio
# protocol, so the recorder and everything else work as with PulseAudio.

_session_pipewire_default_is_ci() {
    [[ $(pactl get-default-sink 2>/dev/null) == ci ]]
}

# With "bare", no silent keep-alive stream: PipeWire's null sink runs on the
# graph's own driver, and a benchmark of the idle server wants nothing else.
_session_start_pipewire() {
    export PIPEWIRE_RUNTIME_DIR=$XDG_RUNTIME_DIR
    unset PIPEWIRE_REMOTE
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
    # The session manager takes a default only once it has seen the sink.
    wait_until 10 eval 'pactl set-default-sink ci && _session_pipewire_default_is_ci' ||
        session_fail "the null sink did not become the default"
    [[ ${1:-} == bare ]] || _session_keep_sink_awake
}

# Swaps the PulseAudio of a running session for PipeWire (the key-to-sound
# benchmark measures both servers in one session).
session_use_pipewire() {
    session_stop pacat
    session_stop pulseaudio
    _session_start_pipewire bare
}

# "PulseAudio (on PipeWire 0.3.65)" when PipeWire serves the session.
session_audio_server() {
    pactl info | sed -n 's/^Server Name: //p'
}
