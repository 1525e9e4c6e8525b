"""The soundtrack: score, arrangement, mix and Ogg Vorbis encoding.

The demo's clock starts with the music. Tempo is 109.09 BPM (550 ms a beat) with a beat on
18.25 s, where the terrain scene's ball begins to jerk toward the viewer every 1100 ms: the kick
plays on beats 1 and 3 of each bar, on that pulse. Sections turn over at the beat nearest each
scene change (35, 60, 70, 85 and 110 s); a short bar here and there keeps them on the grid:

    intro    0.00 s  pad and bells, arpeggio and hats creep in, snare roll and riser
    drop    18.25 s  full beat and the main theme in A minor; 3-beat fill bar at the end
    meta    35.30 s  breakbeat and rolling bass for the metaballs, second theme; one beat of
                     silence before the breakdown
    break   60.05 s  greetings: no kick, bells and sub bass
    cel     69.95 s  the beat and the main theme come back
    meta2   85.35 s  everything at once, second theme doubled by bells
    outro  109.55 s  last chord rings out while the demo fades the music (110 to 115 s)
"""

import os
import subprocess
import tempfile
import wave

import numpy as np

from . import synth as sy

FILE_NAME = "Tembrol_-_Verudoziv4.ogg"
BEAT = 0.55
FIRST_BEAT = 0.1          # beat 33 of this grid is 18.25 s, the ball's first pulse
LENGTH = 118.5            # seconds of audio; the last chord has died away well before
SERIAL = 1299149417       # fixed Ogg stream serial, so encoding is reproducible
QUALITY = "5"
TARGET_PEAK_DB = -1.8     # mix peak before encoding; Vorbis overshoots by a few tenths
LIMIT_PEAK_DB = -1.0      # the decoded stream must stay at or below this


def beat_time(beat):
    return FIRST_BEAT + BEAT * beat


NOTE_CLASSES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def note_number(name):
    """'G#4' -> 68 (MIDI numbers, A4 = 69)."""
    pc = NOTE_CLASSES[name[0]]
    rest = name[1:]
    if rest[0] in "#b":
        pc += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + pc


def phrase(text):
    """'A4:.5 C5:.5 r:1' -> [(offset beats, length beats, midi or None), ...]."""
    out, at = [], 0.0
    for item in text.split():
        name, length = item.split(":")
        length = float(length)
        out.append((at, length, None if name == "r" else note_number(name)))
        at += length
    return out


# Chords: bass root and a four-note pad voicing that moves smoothly between neighbours.
CHORDS = {
    "Am": (45, ("A3", "C4", "E4", "A4")),
    "F": (41, ("A3", "C4", "F4", "A4")),
    "C": (48, ("G3", "C4", "E4", "G4")),
    "G": (43, ("G3", "B3", "D4", "G4")),
    "E": (40, ("G#3", "B3", "E4", "G#4")),
    "Dm": (38, ("A3", "D4", "F4", "A4")),
    "Em": (40, ("G3", "B3", "E4", "G4")),
}

# (name, first beat, chords, bar lengths in beats)
SECTIONS = (
    ("intro", 1, "Am F C G Am F C E", [4] * 8),
    ("drop", 33, "Am F C G Am F G E", [4] * 7 + [3]),
    ("meta", 64, "Dm Am F E Dm Am F E F G E E", [4] * 11 + [1]),
    ("break", 109, "F G Em Am E", [4] * 4 + [2]),
    ("cel", 127, "Am F C G Am F E", [4] * 7),
    ("meta2", 155, "Dm Am F E Dm Am F E F G E", [4] * 11),
    ("outro", 199, "Am Am Am Am", [4] * 4),
)


class Bar:
    def __init__(self, section, index, count, beat, beats, chord):
        self.section, self.index, self.count = section, index, count
        self.beat, self.beats, self.chord = beat, beats, chord
        self.time = beat_time(beat)
        self.root = CHORDS[chord][0]
        self.voicing = [note_number(n) for n in CHORDS[chord][1]]

    @property
    def last(self):
        return self.index == self.count - 1

    def step_time(self, step):
        """Time of a sixteenth-note step inside the bar."""
        return self.time + step * BEAT / 4


def all_bars():
    bars = []
    for name, beat, chords, lengths in SECTIONS:
        chords = chords.split()
        for i, (chord, beats) in enumerate(zip(chords, lengths)):
            bars.append(Bar(name, i, len(lengths), beat, beats, chord))
            beat += beats
    return bars


# ----------------------------------------------------------------------------- melodies

MAIN_THEME = ("A4:.5 C5:.5 E5:1 D5:.5 C5:.5 D5:.5 E5:.5",
              "F5:1.5 E5:.5 C5:1 A4:1",
              "G4:.5 C5:.5 E5:1 G5:1 E5:.5 D5:.5",
              "D5:1.5 B4:.5 G4:1 r:1")
MAIN_ANSWER = ("A4:.5 C5:.5 E5:1 A5:1 G5:.5 E5:.5",
               "F5:1 E5:.5 D5:.5 C5:1 D5:1",
               "B4:1 D5:1 G5:1.5 F5:.5")
TURN_3 = "E5:1 D5:.5 B4:.5 G#4:1"
TURN_4 = "E5:1 D5:.5 B4:.5 G#4:1 B4:1"
SECOND_THEME = ("D5:1 F5:1 A5:1.5 G5:.5",
                "E5:2 C5:1 A4:1",
                "F5:.5 E5:.5 F5:.5 A5:.5 C6:1 A5:1",
                "G#5:2 B5:1 E5:1",
                "D5:1 F5:1 A5:1.5 C6:.5",
                "B5:.5 C6:.5 B5:.5 A5:.5 E5:2",
                "F5:.5 G5:.5 A5:1 C6:1 D6:1",
                "B5:2 G#5:1 E5:1",
                "A5:2 C6:2",
                "B5:2 D6:1 B5:1",
                "G#5:3 E5:1")
INTRO_BELLS = ("E5:2 r:2", "C5:2 r:2", "G5:2 r:2", "D5:2 r:2",
               "A4:.5 C5:.5 E5:1 r:2", "F5:1.5 E5:.5 C5:2", "G4:.5 C5:.5 E5:1 G5:2",
               "G#4:1 B4:1 E5:2")
BREAK_BELLS = ("C5:2 A4:1 C5:1", "D5:2 B4:1 D5:1", "E5:2 G5:1 B4:1", "A4:4", "G#4:1 B4:1")
OUTRO_BELLS = ("A4:1 C5:1 E5:2", "A5:4", "r:4", "r:4")


def lead_line(bar):
    """The melody for a bar as (phrase text, instrument) or None."""
    s, i = bar.section, bar.index
    if s == "intro":
        return INTRO_BELLS[i], "bell"
    if s == "drop":
        return (MAIN_THEME + MAIN_ANSWER + (TURN_3,))[i], "lead"
    if s == "meta" and 4 <= i <= 10:
        return (SECOND_THEME[i - 4] if i < 8 else SECOND_THEME[i]), "lead"
    if s == "break":
        return BREAK_BELLS[i], "bell"
    if s == "cel":
        return (MAIN_THEME + MAIN_ANSWER[:2] + (TURN_4,))[i], "lead"
    if s == "meta2":
        return SECOND_THEME[i], "lead"
    if s == "outro":
        return OUTRO_BELLS[i], "bell"
    return None


# ----------------------------------------------------------------------------- drum patterns

# One character per sixteenth: X accent, x normal, o soft, - rest.
LEVELS = {"X": 1.0, "x": 0.75, "o": 0.4}
GROOVES = {
    "drop": {"kick": "X-------X-------", "snare": "----X-------X---", "clap": "----x-------x---",
             "hat": "o-x-o-x-o-x-o-x-", "shaker": "-o-o-o-o-o-o-o-o", "open": "--------------x-"},
    "meta": {"kick": "X-----x-X--x----", "snare": "----X--o----X--o", "clap": "",
             "hat": "xoxoxoxoxoxoxoxo", "shaker": "", "open": "--x-------x-----"},
    "cel": {"kick": "X------xX-------", "snare": "----X-------X---", "clap": "------------x---",
            "hat": "--x---x---x---x-", "shaker": "-o-o-o-o-o-o-o-o", "open": "--------------x-"},
    "meta2": {"kick": "X-----x-X--x----", "snare": "----X--o----X--o", "clap": "----x-------x---",
              "hat": "xoxoxoxoxoxoxoxo", "shaker": "", "open": "--x-------x---x-"},
}
GROOVES["drop_alt"] = dict(GROOVES["drop"], kick="X-------X-----o-")


def hits(pattern, steps):
    return [(i, LEVELS[c]) for i, c in enumerate(pattern[:steps]) if c in LEVELS]


class DrumKit:
    def __init__(self):
        self.kick, self.snare, self.clap = sy.kick(), sy.snare(), sy.clap()
        self.hat, self.shaker = sy.hat(False, 104), sy.hat(False, 107)
        self.open, self.crash = sy.hat(True, 108), sy.crash()
        self.toms = {n: sy.tom(n) for n in (45, 50, 55)}


def play_drums(bars, dry, send):
    """Drums into `dry` (snare and clap also into the reverb `send`); returns kick times."""
    kit = DrumKit()
    rng = np.random.default_rng(42)
    kicks = []

    def hit(time, sample, gain, pan=0.0, wet=0.0):
        dry.add(time, sample, gain, pan)
        if wet:
            send.add(time, sample, gain * wet, pan)
        if sample is kit.kick:
            kicks.append(time)

    def groove(bar, g, steps):
        for name, sample, gain, pan, wet in (("kick", kit.kick, 0.95, 0, 0),
                                             ("snare", kit.snare, 0.5, 0, 0.25),
                                             ("clap", kit.clap, 0.32, 0.1, 0.35),
                                             ("hat", kit.hat, 0.32, 0.25, 0),
                                             ("shaker", kit.shaker, 0.17, -0.3, 0),
                                             ("open", kit.open, 0.24, 0.3, 0.1)):
            for step, level in hits(g.get(name, ""), steps):
                human = 1.0 + 0.08 * rng.standard_normal() if name in ("hat", "shaker") else 1.0
                hit(bar.step_time(step), sample, gain * level * human, pan, wet)

    def roll(bar, first_step, steps, tom_notes=()):
        for k, step in enumerate(range(first_step, steps)):
            level = 0.25 + 0.75 * (k + 1) / (steps - first_step)
            hit(bar.step_time(step), kit.snare, 0.45 * level, 0, 0.3)
        for step, note in tom_notes:
            hit(bar.step_time(step), kit.toms[note], 0.5, (note - 50) / 12.0, 0.2)

    for bar in bars:
        steps = bar.beats * 4
        s, i = bar.section, bar.index
        if s == "intro":
            if i >= 4:
                groove(bar, {"hat": "--o---o---o---o-" if i < 6 else "o-o-o-o-o-o-o-o-"}, steps)
            if i >= 6:
                groove(bar, {"kick": "o---o---o---o---"}, steps)
            if i == 7:
                roll(bar, 0, steps)
        elif s == "drop" and not bar.last:
            groove(bar, GROOVES["drop_alt" if i % 2 else "drop"], steps)
        elif s == "drop":
            groove(bar, {"kick": "X-------X---", "hat": "o-x-o-x-o-x-"}, steps)
            roll(bar, 4, steps, ((6, 55), (8, 50), (10, 45)))
        elif s in ("meta", "meta2") and bar.beats == 4:
            if i == bar.count - 2 and s == "meta":
                groove(bar, dict(GROOVES[s], snare="----X-------"), steps)
                roll(bar, 12, steps, ((13, 55), (14, 50), (15, 45)))
            elif i == bar.count - 1 and s == "meta2":
                groove(bar, dict(GROOVES[s], snare="----X---"), steps)
                roll(bar, 8, steps)
            else:
                groove(bar, GROOVES[s], steps)
        elif s == "break":
            if 1 <= i <= 3:
                groove(bar, {"hat": "--o---o---o---o-", "shaker": "-o-o-o-o-o-o-o-o"}, steps)
            if bar.last:
                roll(bar, 0, steps)
        elif s == "cel":
            groove(bar, GROOVES["cel"], steps)
            if bar.last:
                roll(bar, 12, steps, ((14, 50), (15, 45)))
        elif s == "outro" and i == 0:
            hit(bar.time, kit.kick, 0.95)

    for beat, gain in ((33, 0.5), (64, 0.5), (109, 0.3), (127, 0.5), (155, 0.55), (199, 0.5)):
        hit(beat_time(beat), kit.crash, gain * 0.6, -0.2, 0.4)
    # A reversed cymbal swells through the silent beat into the breakdown.
    swell = kit.crash[::-1][-int(BEAT * 2 * sy.SR):]
    swell = swell * np.linspace(0, 1, len(swell)) ** 2
    hit(beat_time(109) - len(swell) / sy.SR, swell, 0.35, 0.2, 0.5)
    return kicks


# ----------------------------------------------------------------------------- pitched parts

DRIVE_BASS = [(0, 2, 0), (3, 1, 12), (4, 2, 0), (6, 1, 12), (8, 2, 0), (11, 1, 12), (12, 2, 0),
              (14, 2, 7)]
ROLLING_BASS = [(s, 1, 12 if s % 4 == 2 else 0) for s in range(16)]


def play_bass(bars, track):
    for bar in bars:
        s, steps = bar.section, bar.beats * 4
        if s == "intro" and bar.index >= 4:
            track.add(bar.time, sy.bass(bar.root, bar.beats * BEAT * 0.95, 0.5, bright=0.25))
        elif s in ("drop", "cel"):
            pattern = DRIVE_BASS if not (s == "drop" and bar.last) else \
                [(k, 2, 0 if k % 4 == 0 else 12) for k in range(0, 12, 2)]
            for step, length, interval in pattern:
                if step < steps:
                    track.add(bar.step_time(step),
                              sy.bass(bar.root + interval, length * BEAT / 4 * 0.85, 0.9))
        elif s in ("meta", "meta2") and bar.beats == 4:
            for step, length, interval in ROLLING_BASS:
                accent = 1.0 if step % 4 == 0 else 0.55
                track.add(bar.step_time(step),
                          sy.bass(bar.root + interval, length * BEAT / 4 * 0.8, accent,
                                  bright=0.6 + 0.4 * accent))
        elif s == "break" and not bar.last:
            track.add(bar.time, sy.sub(bar.root, bar.beats * BEAT), 0.6)
        elif s == "outro" and bar.index == 0:
            track.add(bar.time, sy.bass(bar.root, 4 * BEAT, 1.0, bright=0.5))
            track.add(bar.time, sy.sub(bar.root, 8 * BEAT), 0.7)


def play_pad(bars, track):
    levels = {"intro": 1.0, "drop": 0.75, "meta": 0.7, "break": 1.0, "cel": 0.65, "meta2": 0.75,
              "outro": 1.0}
    for bar in bars:
        if bar.section == "outro" and bar.index > 0:
            continue
        hold = bar.beats * BEAT + 0.05
        start = bar.time
        if bar.section == "intro" and bar.index == 0:
            start, hold = 0.0, hold + bar.time
        if bar.section == "outro":
            hold = 3 * 4 * BEAT
        level = levels[bar.section]
        for note in bar.voicing:
            for side in (0, 1):
                track.add_side(start, sy.pad(note, hold, -1 if side == 0 else 1), side, level)


ARP_ORDER = (0, 1, 2, 3, 4, 3, 2, 1)


def play_arp(bars, track):
    for bar in bars:
        s, i, steps = bar.section, bar.index, bar.beats * 4
        tones = bar.voicing[1:] + [bar.voicing[1] + 12, bar.voicing[2] + 12]
        if s == "intro" and i >= 4:
            bright = 0.2 + 0.8 * ((i - 4) * 16) / 64.0
            every, level = 1, 0.5 + 0.1 * (i - 4)
        elif s in ("drop", "meta2"):
            bright, every, level = 1.0, 1, 0.75
        elif s == "meta":
            bright, every, level = 1.3, 1, 0.8
        elif s == "break" and not bar.last:
            bright, every, level = 0.5, 2, 0.6
        elif s == "cel":
            bright, every, level = 0.8, 2, 0.7
        else:
            continue
        for step in range(0, steps, every):
            note = tones[ARP_ORDER[(step // every) % len(ARP_ORDER)]] + (12 if s == "meta" else 0)
            ramp = bright + (0.05 * step / 16 if s == "intro" else 0)
            pan = 0.45 if (step // every) % 2 else -0.45
            accent = 1.0 if step % 4 == 0 else 0.7
            track.add(bar.step_time(step), sy.pluck(note, level * accent, ramp), 1.0, pan)


def play_melody(bars, lead_track, bell_track):
    for bar in bars:
        line = lead_line(bar)
        if not line:
            continue
        text, voice = line
        for offset, length, note in phrase(text):
            if note is None or offset >= bar.beats:
                continue
            when = bar.time + offset * BEAT
            if voice == "lead":
                lead_track.add(when, sy.lead(note, length * BEAT * 0.9))
                if bar.section == "meta2":
                    bell_track.add(when, sy.bell(note + 12, length * BEAT * 0.5, 0.45), 1.0, 0.3)
            else:
                bell_track.add(when, sy.bell(note, length * BEAT * 0.8), 1.0, -0.15)


def play_fx(track):
    for end_beat, beats in ((33, 4), (127, 2), (155, 4)):
        length = beats * BEAT
        track.add(beat_time(end_beat) - length, sy.riser(length, seed=300 + end_beat), 0.3)


# ----------------------------------------------------------------------------- mix and files

def render():
    """The whole piece as a (2, n) float array, peak normalised to TARGET_PEAK_DB."""
    bars = all_bars()
    tracks = {name: sy.Track(LENGTH) for name in
              ("drums", "send", "bass", "pad", "arp", "lead", "bell", "fx")}
    kicks = play_drums(bars, tracks["drums"], tracks["send"])
    play_bass(bars, tracks["bass"])
    play_pad(bars, tracks["pad"])
    play_arp(bars, tracks["arp"])
    play_melody(bars, tracks["lead"], tracks["bell"])
    play_fx(tracks["fx"])

    duck = sy.duck_curve(LENGTH, kicks, 0.55)
    bass = tracks["bass"].data * sy.duck_curve(LENGTH, kicks, 0.35, 0.08) * 0.22
    pad = tracks["pad"].data * duck * 0.11
    arp = tracks["arp"].data * duck * 0.22
    lead = sy.ping_pong(tracks["lead"].data * 0.3, 0.75 * BEAT, 0.3)
    bell = tracks["bell"].data * 0.22
    fx = tracks["fx"].data
    wet = sy.reverb(tracks["send"].data + 0.35 * pad + 0.35 * lead + 0.5 * bell + 0.4 * arp
                    + 0.3 * fx)
    mix = tracks["drums"].data * 0.75 + bass + pad + arp + lead + bell + fx + 0.35 * wet

    # Gentle saturation evens out the drum peaks, then a fade closes the file in silence.
    mix = mix / np.abs(mix).max()
    mix = np.tanh(1.5 * mix) / np.tanh(1.5)
    tail = int(1.5 * sy.SR)
    mix[:, -tail:] *= np.linspace(1.0, 0.0, tail) ** 2
    return mix / np.abs(mix).max() * 10 ** (TARGET_PEAK_DB / 20)


def write_wav(path, stereo):
    pcm = np.clip(np.round(stereo.T * 32767.0), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(sy.SR)
        w.writeframes(pcm.tobytes())


def read_wav(path):
    with wave.open(path, "rb") as w:
        frames = w.readframes(w.getnframes())
        channels = w.getnchannels()
    return np.frombuffer(frames, "<i2").reshape(-1, channels).T.astype(float) / 32768.0


def encode(wav_path, ogg_path):
    subprocess.run(["oggenc", "-Q", "-q", QUALITY, "--serial", str(SERIAL), "-a", "Moriq",
                    "-t", "Moriq demo soundtrack", "-o", ogg_path, wav_path], check=True)


def decoded_peak_db(ogg_path, scratch):
    wav = os.path.join(scratch, "decoded.wav")
    subprocess.run(["oggdec", "-Q", "-o", wav, ogg_path], check=True)
    pcm = read_wav(wav)
    return 20 * np.log10(np.abs(pcm).max()), pcm.shape[1] / sy.SR


def write_soundtrack(path):
    """Render, encode and check the decoded peak; if Vorbis overshoots past the limit the mix is
    turned down by the excess and encoded again. Returns a short report."""
    mix = render()
    with tempfile.TemporaryDirectory() as scratch:
        wav = os.path.join(scratch, "mix.wav")
        for _ in range(4):
            write_wav(wav, mix)
            encode(wav, path)
            peak, length = decoded_peak_db(path, scratch)
            if peak <= LIMIT_PEAK_DB:
                break
            mix = mix * 10 ** ((LIMIT_PEAK_DB - peak - 0.2) / 20)
        else:
            raise RuntimeError("decoded peak stays above %.1f dBFS" % LIMIT_PEAK_DB)
    return "peak %.2f dBFS, %.2f s" % (peak, length)
