#pragma once

// Pitched instruments for the music tracks. Each renders one note (MIDI pitch,
// held for `duration` seconds, velocity 0..1) into a buffer that includes its
// release, ready to be placed in the arrangement.

#include "Dsp.h"

namespace assetgen {

struct NoteSpec {
    double pitch;
    double duration;
    double velocity;
};

Mono electricPiano(const NoteSpec& note, Random& random);  // tine piano: bell attack, warm body
Mono piano(const NoteSpec& note, Random& random);          // felt piano: stretched partials
Mono pad(const NoteSpec& note, Random& random);            // detuned saws, slow swell
Mono warmPad(const NoteSpec& note, Random& random);        // darker, slower pad for ambient beds
Mono uprightBass(const NoteSpec& note, Random& random);    // plucked, round
Mono synthBass(const NoteSpec& note, Random& random);      // saw through a closing filter
Mono pluck(const NoteSpec& note, Random& random);          // short bright saw, for arpeggios
Mono lead(const NoteSpec& note, Random& random);           // soft square with vibrato
Mono bell(const NoteSpec& note, Random& random);           // FM bell, inharmonic
Mono vibraphone(const NoteSpec& note, Random& random);     // soft mallet with tremolo

}  // namespace assetgen
