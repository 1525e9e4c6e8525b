"""Instruments of the soundtrack: numpy oscillators, envelopes, drums and effects.

Every voice returns a mono float array that starts and ends at zero (each note has an attack
and a release), so notes can be summed into a Track anywhere without clicks. Noise comes from
seeded generators, so the result is the same on every run.
"""

import numpy as np

SR = 44100
TABLE_SIZE = 4096
NYQUIST_GUARD = 16000.0


def midi_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def seconds(n):
    return np.arange(n) / SR


def envelope(hold, attack, release, decay=0.0, sustain=1.0):
    """Attack (linear), decay toward sustain (exponential), hold until note-off at `hold`
    seconds, then a raised-cosine release to exactly zero."""
    n_on = max(1, int(round(hold * SR)))
    n_rel = max(2, int(round(release * SR)))
    t = seconds(n_on)
    att = np.clip(t / max(attack, 1e-4), 0.0, 1.0)
    if decay > 0:
        body = sustain + (1.0 - sustain) * np.exp(-np.maximum(t - attack, 0.0) / decay)
    else:
        body = np.ones(n_on)
    on = att * body
    tail = on[-1] * 0.5 * (1 + np.cos(np.linspace(0.0, np.pi, n_rel)))
    return np.concatenate([on, tail])


def percussive(length, attack, decay):
    """A hit: short linear attack, exponential decay, forced to zero over the last 5 ms."""
    n = int(round(length * SR))
    t = seconds(n)
    env = np.clip(t / attack, 0.0, 1.0) * np.exp(-t / decay)
    fade = min(n, int(0.005 * SR))
    env[n - fade:] *= np.linspace(1.0, 0.0, fade)
    return env


_tables = {}


def wavetable(kind, note, cutoff):
    """One cycle of a band-limited wave for this note: harmonics stop below NYQUIST_GUARD and
    roll off past `cutoff` Hz, which stands in for a low-pass filter."""
    key = (kind, note, cutoff)
    if key not in _tables:
        f0 = midi_hz(note)
        count = max(1, int(NYQUIST_GUARD / (f0 * 1.03)))
        k = np.arange(1, count + 1)
        if kind == "saw":
            amp = 1.0 / k
        elif kind == "square":
            amp = np.where(k % 2 == 1, 1.0 / k, 0.0)
        else:
            raise ValueError(kind)
        amp = amp / np.sqrt(1.0 + (k * f0 / cutoff) ** 4)
        x = np.arange(TABLE_SIZE) / TABLE_SIZE
        table = (amp[None, :] * np.sin(2 * np.pi * np.outer(x, k))).sum(axis=1)
        _tables[key] = table / np.abs(table).max()
    return _tables[key]


def oscillator(table, freq, n, phase=0.0):
    """Read a wavetable at a constant or per-sample frequency with linear interpolation."""
    inc = np.broadcast_to(np.asarray(freq, dtype=float) / SR, (n,))
    ph = (phase + np.cumsum(inc) - inc[0]) % 1.0
    pos = ph * TABLE_SIZE
    i = pos.astype(np.int64)
    frac = pos - i
    return table[i % TABLE_SIZE] * (1 - frac) + table[(i + 1) % TABLE_SIZE] * frac


def fm(freq, n, ratio, index, phase=0.0):
    """Two-operator FM: a sine carrier phase-modulated by a sine at ratio x freq; index may vary
    per sample (a falling index is the FM counterpart of a closing filter)."""
    t = seconds(n)
    mod = np.asarray(index) * np.sin(2 * np.pi * freq * ratio * t)
    return np.sin(2 * np.pi * freq * t + mod + phase)


def spectral_filter(x, low=None, high=None, order=2):
    """Zero-phase band-pass in the frequency domain, Butterworth-shaped magnitude."""
    spectrum = np.fft.rfft(x)
    f = np.fft.rfftfreq(len(x), 1.0 / SR)
    gain = np.ones_like(f)
    if low:
        gain /= np.sqrt(1.0 + (low / np.maximum(f, 1e-3)) ** (2 * order))
    if high:
        gain /= np.sqrt(1.0 + (f / high) ** (2 * order))
    return np.fft.irfft(spectrum * gain, len(x))


def noise(n, seed):
    return np.random.default_rng(seed).uniform(-1.0, 1.0, n)


# ----------------------------------------------------------------------------- drums

def kick():
    """Sine with a fast pitch drop from about 150 Hz to 46 Hz, a little click, mild drive."""
    length = 0.5
    n = int(length * SR)
    t = seconds(n)
    freq = 46.0 + 105.0 * np.exp(-t / 0.03)
    body = np.sin(2 * np.pi * np.cumsum(freq) / SR) * percussive(length, 0.001, 0.22)
    click = spectral_filter(noise(n, 101), 1500, 8000) * percussive(length, 0.0005, 0.004)
    return np.tanh(1.6 * (body + 0.6 * click)) / np.tanh(1.6)


def snare():
    """Two drum-head tones under a band of noise."""
    length = 0.4
    n = int(length * SR)
    t = seconds(n)
    tone = (np.sin(2 * np.pi * 185 * t) + 0.5 * np.sin(2 * np.pi * 331 * t)) \
        * percussive(length, 0.001, 0.05)
    rattle = spectral_filter(noise(n, 102), 900, 9000) * percussive(length, 0.001, 0.12)
    out = 0.55 * tone + rattle
    return out / np.abs(out).max()


def clap():
    """Three quick noise bursts and a short tail, like hands a few milliseconds apart."""
    length = 0.35
    n = int(length * SR)
    band = spectral_filter(noise(n, 103), 800, 5000)
    env = np.zeros(n)
    for k, start in enumerate((0.0, 0.011, 0.022)):
        s = int(start * SR)
        env[s:] += percussive((n - s) / SR, 0.0005, 0.006 if k < 2 else 0.09)
    out = band * env
    return out / np.abs(out).max()


def hat(open_hat=False, seed=104):
    """Metallic cluster of square-ish partials plus high noise; open hats ring longer."""
    length = 0.45 if open_hat else 0.09
    n = int(length * SR)
    t = seconds(n)
    metal = sum(np.sign(np.sin(2 * np.pi * f * t)) for f in (2003, 2771, 3343, 4109, 5381, 6037))
    raw = 0.5 * metal / 6 + noise(n, seed)
    body = spectral_filter(raw, 7000, 15000, order=3)
    out = body * percussive(length, 0.0005, 0.12 if open_hat else 0.022)
    return out / np.abs(out).max()


def crash():
    length = 2.6
    n = int(length * SR)
    t = seconds(n)
    metal = sum(np.sign(np.sin(2 * np.pi * f * t)) for f in (3103, 4271, 5623, 6901))
    raw = spectral_filter(0.3 * metal / 4 + noise(n, 105), 3500, 14000)
    out = raw * percussive(length, 0.002, 0.7)
    return out / np.abs(out).max()


def tom(note):
    length = 0.45
    n = int(length * SR)
    t = seconds(n)
    f0 = midi_hz(note)
    freq = f0 * (1 + 0.6 * np.exp(-t / 0.04))
    out = np.sin(2 * np.pi * np.cumsum(freq) / SR) * percussive(length, 0.001, 0.16)
    return np.tanh(1.3 * out) / np.tanh(1.3)


def riser(length, seed=106, low=300.0, high=9000.0):
    """Noise swept upward through a band-pass while it swells; overlap-added FFT frames."""
    n = int(length * SR)
    hop, size = 512, 2048
    src = noise(n + size, seed)
    out = np.zeros(n + size)
    window = np.hanning(size)
    f = np.fft.rfftfreq(size, 1.0 / SR)
    for start in range(0, n, hop):
        pos = start / n
        centre = low * (high / low) ** pos
        gain = np.exp(-0.5 * (np.log2(np.maximum(f, 1.0) / centre) / 0.7) ** 2)
        frame = np.fft.irfft(np.fft.rfft(src[start:start + size] * window) * gain, size)
        out[start:start + size] += frame * window
    out = out[:n]
    t = seconds(n) / length
    env = t ** 2 * np.clip((1 - t) / 0.02, 0, 1)
    out *= env
    return out / np.abs(out).max()


# ----------------------------------------------------------------------------- pitched voices

def bass(note, hold, velocity=1.0, bright=1.0):
    """FM bass: carrier and modulator at the note's pitch with a falling index (a plucked,
    filter-like attack), a sine an octave below for weight, gently driven."""
    env = envelope(hold, 0.003, 0.03, decay=0.25, sustain=0.75)
    n = len(env)
    f = midi_hz(note)
    t = seconds(n)
    index = bright * (0.6 + 2.4 * np.exp(-t / 0.09))
    tone = fm(f, n, 1.0, index) + 0.7 * np.sin(2 * np.pi * f * 0.5 * t)
    return np.tanh(1.4 * tone * env * velocity) / np.tanh(1.4)


def sub(note, hold):
    """Pure low sine for the breakdown, slow in and out."""
    env = envelope(hold, 0.08, 0.4)
    return np.sin(2 * np.pi * midi_hz(note) * seconds(len(env))) * env


def pluck(note, velocity=1.0, bright=1.0, length=0.32):
    """Short FM pluck for arpeggios; bright scales the modulation index (the filter amount)."""
    env = envelope(0.02, 0.002, length, decay=0.0)
    n = len(env)
    t = seconds(n)
    amp = np.exp(-t / (length * 0.35)) * env
    index = bright * 2.2 * np.exp(-t / 0.06)
    return fm(midi_hz(note), n, 2.0, index) * amp * velocity


def bell(note, hold, velocity=1.0):
    """Glassy FM bell: inharmonic ratio, index and level dying away, long ring."""
    env = envelope(hold, 0.002, 1.2, decay=0.9, sustain=0.25)
    n = len(env)
    t = seconds(n)
    f = midi_hz(note)
    index = 1.8 * np.exp(-t / 0.5) + 0.2
    tone = 0.7 * fm(f, n, 3.5, index) + 0.3 * np.sin(2 * np.pi * 2 * f * t) * np.exp(-t / 0.3)
    return tone * env * velocity


_pad_cache = {}


def pad_voice(note, n, detunes, cutoff=1800.0):
    """Detuned saw stack for one pad note, cached per pitch (the pad reuses a few chords)."""
    key = (note, detunes, cutoff)
    cached = _pad_cache.get(key)
    if cached is None or len(cached) < n:
        table = wavetable("saw", note, cutoff)
        f = midi_hz(note)
        length = max(n, int(3.5 * SR))
        cached = sum(oscillator(table, f * 2 ** (c / 1200.0), length, phase=0.37 * i)
                     for i, c in enumerate(detunes)) / len(detunes)
        _pad_cache[key] = cached
    return cached[:n]


def pad(note, hold, side):
    """Warm pad note for one stereo side (-1 left, +1 right): the sides detune differently."""
    env = envelope(hold, 0.35, 0.9)
    detunes = (-9.0, 4.0) if side < 0 else (9.0, -4.0)
    return pad_voice(note, len(env), detunes) * env


def lead(note, hold, velocity=1.0):
    """Singing lead: saw and square mixed, a touch of delayed vibrato, soft attack."""
    env = envelope(hold, 0.012, 0.12, decay=0.35, sustain=0.7)
    n = len(env)
    t = seconds(n)
    f = midi_hz(note)
    depth = 0.006 * np.clip((t - 0.18) / 0.25, 0.0, 1.0)
    freq = f * (1 + depth * np.sin(2 * np.pi * 5.5 * t))
    tone = 0.65 * oscillator(wavetable("saw", note, 3200.0), freq, n) \
        + 0.35 * oscillator(wavetable("square", note, 2400.0), freq, n, phase=0.25)
    return tone * env * velocity


# ----------------------------------------------------------------------------- mixing

class Track:
    """A stereo bus of fixed length; sounds are added at a time in seconds with a pan."""

    def __init__(self, length):
        self.data = np.zeros((2, int(round(length * SR))))

    def add(self, time, mono, gain=1.0, pan=0.0):
        start = int(round(time * SR))
        if start < 0:
            mono, start = mono[-start:], 0
        end = min(start + len(mono), self.data.shape[1])
        if end <= start:
            return
        angle = (pan + 1.0) * np.pi / 4.0
        piece = mono[:end - start] * gain
        self.data[0, start:end] += piece * np.cos(angle) * np.sqrt(2)
        self.data[1, start:end] += piece * np.sin(angle) * np.sqrt(2)

    def add_side(self, time, mono, side, gain=1.0):
        """Add to one channel only (0 left, 1 right), for wide stereo voices."""
        start = int(round(time * SR))
        end = min(start + len(mono), self.data.shape[1])
        if end > start:
            self.data[side, start:end] += mono[:end - start] * gain


def fft_convolve(x, ir, block=1 << 16):
    """Overlap-add convolution in blocks, truncated to the length of x; small FFTs keep it fast."""
    size = 1 << (block + len(ir) - 1).bit_length()
    ir_spec = np.fft.rfft(ir, size)
    out = np.zeros(len(x) + size)
    for start in range(0, len(x), block):
        piece = np.fft.irfft(np.fft.rfft(x[start:start + block], size) * ir_spec, size)
        out[start:start + size] += piece
    return out[:len(x)]


def reverb(stereo, seconds_long=2.4, seed=200):
    """Convolution with decaying, darkening noise (a different impulse per side for width)."""
    n = int(seconds_long * SR)
    t = seconds(n)
    out = np.zeros_like(stereo)
    for side in range(2):
        early = spectral_filter(noise(n, seed + side), 200, 7000)
        late = spectral_filter(noise(n, seed + 10 + side), 200, 2500)
        mixt = np.clip(t / 1.0, 0, 1)
        ir = (early * (1 - mixt) + late * mixt) * np.exp(-t / 0.38)
        ir[:int(0.012 * SR)] = 0.0
        ir *= 0.5 * (1 + np.cos(np.linspace(0, np.pi, n))) ** 0.1
        ir /= np.sqrt(np.sum(ir ** 2))
        out[side] = fft_convolve(stereo[side], ir)
    return out


def soften(x):
    """Gentle low-pass: a three-tap binomial filter (zero at the Nyquist frequency)."""
    y = x * 0.5
    y[1:] += x[:-1] * 0.25
    y[:-1] += x[1:] * 0.25
    return y


def ping_pong(stereo, delay, feedback, taps=6):
    """Echoes that alternate between the sides, each one quieter and a little darker."""
    out = stereo.copy()
    mono = stereo.sum(axis=0) * 0.5
    d = int(round(delay * SR))
    echo = mono
    for k in range(1, taps + 1):
        echo = soften(soften(echo))
        start = k * d
        if start >= len(mono):
            break
        out[k % 2, start:] += echo[:len(mono) - start] * feedback ** k
    return out


def duck_curve(length, hits, depth, release=0.16):
    """Gain that dips at every kick and recovers, the pumping of a side-chained compressor."""
    n = int(round(length * SR))
    dip = np.zeros(n)
    shape_n = int(release * 5 * SR)
    t = seconds(shape_n)
    shape = np.clip(t / 0.004, 0, 1) * np.exp(-t / release)
    for hit in hits:
        s = int(round(hit * SR))
        e = min(n, s + shape_n)
        if s < n:
            dip[s:e] = np.maximum(dip[s:e], shape[:e - s])
    return 1.0 - depth * dip
