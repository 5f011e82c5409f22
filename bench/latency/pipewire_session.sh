# shellcheck shell=bash
# Swaps the audio server of a session started by tests/e2e/lib/session.sh:
# PulseAudio (and its keep-alive stream) stops, and PipeWire takes its place
# in the session's runtime folder: pipewire, then wireplumber, then
# pipewire-pulse, with the null sink "ci" made through the pulse layer and
# set as the default. No keep-alive stream: PipeWire's null sink runs on the
# graph's own driver, ready for any new stream.
#
#   session_use_pipewire   swap the servers; PULSE_SERVER points at pipewire-pulse
#   pipewire_server_pids   "PID,PID,PID" of pipewire, wireplumber, pipewire-pulse

_pipewire_default_is_ci() {
    [[ $(pactl get-default-sink 2>/dev/null) == ci ]]
}

session_use_pipewire() {
    session_stop pacat
    session_stop pulseaudio
    export PIPEWIRE_RUNTIME_DIR=$XDG_RUNTIME_DIR
    unset PIPEWIRE_REMOTE
    local service
    for service in pipewire wireplumber pipewire-pulse; do
        "$service" >"$SESSION_DIR/$service.log" 2>&1 &
        _session_track "$service" $!
        [[ $service == pipewire ]] &&
            { wait_until 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || session_fail "pipewire did not start"; }
    done
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    wait_until 10 pactl info || session_fail "pipewire-pulse does not answer"
    pactl load-module module-null-sink sink_name=ci rate=48000 channels=2 >/dev/null ||
        session_fail "no null sink"
    # The session manager takes a default only once it has seen the sink.
    wait_until 10 eval 'pactl set-default-sink ci && _pipewire_default_is_ci' ||
        session_fail "the null sink did not become the default"
}

pipewire_server_pids() {
    echo "$(session_pid pipewire),$(session_pid wireplumber),$(session_pid pipewire-pulse)"
}
