#!/bin/sh
# Makes the notification sounds of the default content with sox: 22.05 kHz,
# mono, 8-bit PCM, the format every sound device can play. The WAV files are
# committed; run this again only to change them. -D: no dither, so the
# output is the same on every run.
#
# Each sound is drawn at full precision first, then brought to the same
# loudness (an RMS level of -12 dBFS over its sounding part, peaks held
# below -1 dBFS), so that no choice is much louder than another.
set -eu
cd "$(dirname "$0")"
fmt="-D -r 22050 -c 1 -b 8 -e unsigned-integer"
raw="-r 22050 -c 1 -b 32 -e floating-point"
target=-12
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# $1 output file; the rest: the sox effects that draw the sound.
make() {
  out=$1
  shift
  sox -n $raw "$tmp/draft.wav" "$@"
  # RMS over the sounding part only: silence at either end does not count.
  sox "$tmp/draft.wav" "$tmp/core.wav" silence 1 0.01 1% reverse silence 1 0.01 1% reverse
  rms=$(sox "$tmp/core.wav" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}')
  peak=$(sox "$tmp/draft.wav" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}')
  gain=$(awk -v t="$target" -v r="$rms" -v p="$peak" 'BEGIN { g = t - r; if (p + g > -1) g = -1 - p; printf "%.2f", g }')
  sox "$tmp/draft.wav" $fmt "$out" gain "$gain"
  echo "$out: RMS $rms dB, peak $peak dB, gain $gain dB"
}

# "Tibetan Bell": a struck bowl, a low partial with two inharmonic overtones
# dying away slowly.
make tibetan-bell.wav synth 2.5 sine 392 sine 1047 sine 2215 \
  remix 1v0.6,2v0.3,3v0.1 fade p 0.005 2.5 2.4

# "Wood Block": a short hollow knock, twice.
make wood-block.wav synth 0.12 sine 880 sine 1320 remix 1v0.7,2v0.3 fade p 0 0.12 0.11 \
  pad 0 0.1 repeat 1

# "Rising Chime": three notes going up.
make rising-chime.wav synth 0.3 sine 659 : synth 0.3 sine 784 : synth 0.6 sine 988 \
  fade p 0.01 0 0.25

# "Soft Marimba": two mallet notes a fourth apart, each a warm tone with
# the bar's fourth partial that dies first.
make soft-marimba.wav synth 0.45 sine 784 sine 3136 remix 1v0.85,2v0.15 fade p 0.002 0.45 0.44 : \
  synth 0.7 sine 1047 sine 4188 remix 1v0.85,2v0.15 fade p 0.002 0.7 0.69
