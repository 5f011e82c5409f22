#!/usr/bin/env bash
# The reward window's figures on a real X server (Xvfb, with the session's
# D-Bus and PulseAudio null sink): the reel's step delays against its schedule
# and the time from a claim to the reward window drawn.
# Usage: bench/reward/reward_bench.sh BUILD_DIR [REVEALS]
set -euo pipefail

BUILD=${1:?usage: reward_bench.sh BUILD_DIR [REVEALS]}
export REVEALS=${2:-5}
# shellcheck source=../../tests/e2e/lib/session.sh
source "$(dirname "$0")/../../tests/e2e/lib/session.sh"

start_session
"$BUILD/bench/bench_reward"
