#!/usr/bin/python3
"""How close encodings of the soundtrack stay to the original, for choosing the page's bit rate by numbers
(web/soundtrack.sh): each file decoded by ffmpeg to 48 kHz stereo, lined up with the original, cut into
85 ms frames, and the energy of every third-octave band from 20 Hz to 16 kHz compared in dB wherever the
original's band is within 60 dB of its frame's loudest. Prints the mean and 95th percentile of the
differences, the worst band's mean, and the side (left minus right) energy against the original's.
  /usr/bin/python3 tools/compare_audio.py ORIGINAL ENCODED...   (needs ffmpeg and python3-numpy)"""
import subprocess
import sys

import numpy as np

RATE = 48000
N = 4096


def decode(path):
    raw = subprocess.run(['ffmpeg', '-nostdin', '-loglevel', 'error', '-i', path, '-f', 'f32le', '-ac', '2',
                          '-ar', str(RATE), '-'], check=True, capture_output=True).stdout
    return np.frombuffer(raw, np.float32).reshape(-1, 2)


def band_energies(x, bands):
    frames = np.lib.stride_tricks.sliding_window_view(x, N, axis=0)[::N // 2]
    spectrum = np.abs(np.fft.rfft(frames * np.hanning(N), axis=-1)) ** 2
    return np.stack([spectrum[..., b].sum(-1) for b in bands], -1)


def lag(reference, x):
    """The codec's delay in samples (within 50 ms), from the first 20 s of the left channel."""
    a = reference[RATE:21 * RATE, 0]
    score = lambda k: float(np.dot(a, x[RATE + k:21 * RATE + k, 0]))
    coarse = max(range(-2400, 2401, 8), key=score)
    return max(range(coarse - 8, coarse + 9), key=score)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    freqs = np.fft.rfftfreq(N, 1 / RATE)
    edges = 1000 * 2.0 ** (np.arange(-16, 13) / 3)
    bands = [(freqs >= lo) & (freqs < hi) for lo, hi in zip(edges[:-1], edges[1:])]
    bands = [b for b in bands if b.any()]
    reference = decode(sys.argv[1])
    E0 = band_energies(reference, bands)
    for path in sys.argv[2:]:
        x = decode(path)
        k = lag(reference, x)
        x = x[k:] if k > 0 else np.concatenate([np.zeros((-k, 2), np.float32), x])
        n = min(len(x), len(reference))
        E1 = band_energies(x[:n], bands)
        E = E0[:len(E1)]
        heard = (E > E.max(-1, keepdims=True) * 1e-6) & (E > E.max() * 1e-8)
        d = np.abs(10 * np.log10((E1 + 1e-12) / (E + 1e-12)))
        worst = max(d[..., b][heard[..., b]].mean() for b in range(len(bands)) if heard[..., b].any())
        side = np.sum((x[:n, 0] - x[:n, 1]) ** 2) / np.sum((reference[:n, 0] - reference[:n, 1]) ** 2)
        print(f'{path}: mean {d[heard].mean():.2f} dB, p95 {np.percentile(d[heard], 95):.2f} dB, '
              f'worst band {worst:.2f} dB, side energy {10 * np.log10(side):+.2f} dB')


if __name__ == '__main__':
    main()
