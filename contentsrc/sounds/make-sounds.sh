#!/bin/sh
# Makes the notification sounds of the default content with sox: 22.05 kHz,
# mono, 8-bit PCM, the format every sound device can play. The WAV files are
# committed; run this again only to change them. -D: no dither, so the
# output is the same on every run.
set -eu
cd "$(dirname "$0")"
fmt="-D -r 22050 -c 1 -b 8 -e unsigned-integer"

# "Tibetan Bell": a struck bowl, a low partial with two inharmonic overtones
# dying away slowly.
sox -n $fmt tibetan-bell.wav synth 2.5 sine 392 sine 1047 sine 2215 \
  remix 1v0.6,2v0.3,3v0.1 fade p 0.005 2.5 2.4 gain -n -3

# "Wood Block": a short hollow knock, twice.
sox -n $fmt wood-block.wav synth 0.12 sine 880 sine 1320 remix 1v0.7,2v0.3 fade p 0 0.12 0.11 \
  pad 0 0.1 repeat 1 gain -n -3

# "Rising Chime": three notes going up.
sox -n $fmt rising-chime.wav synth 0.3 sine 659 : synth 0.3 sine 784 : synth 0.6 sine 988 \
  fade p 0.01 0 0.25 gain -n -4
