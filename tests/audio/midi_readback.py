#!/usr/bin/python3
"""Reads `beatwright-cli export-midi` files back with a MIDI library (mido): the starter song's
pattern 0 and its whole arrangement have the tracks, notes and tempo the song says."""
import json
import subprocess
import sys
import tempfile

try:
    import mido
except ImportError:
    print("mido is not installed (python3-mido): skipped")
    sys.exit(77)

cli, song = sys.argv[1], sys.argv[2]
info = json.loads(subprocess.run([cli, "info", song, "--json"], check=True,
                                 capture_output=True, text=True).stdout)
failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}: {got} instead of {expected}")


with tempfile.TemporaryDirectory() as folder:
    out = folder + "/out.mid"
    subprocess.run([cli, "export-midi", song, "-o", out, "--pattern", "0"], check=True)
    midi = mido.MidiFile(out)
    pattern = info["Patterns"][0]
    heard = [t for t, track in enumerate(pattern["Tracks"])
             if t < info["TrackCount"] and track["Enabled"] == 1]
    events = [e for e in pattern["Events"]
              if e["Track"] in heard and e["Volume"] > 0 and e["Slot"] < 256]
    check("type", midi.type, 1)
    check("ticks per quarter", midi.ticks_per_beat, 480)
    check("tracks", len(midi.tracks), 1 + len({e["Track"] for e in events}))
    tempos = [m.tempo for m in midi.tracks[0] if m.type == "set_tempo"]
    check("tempo", [round(mido.tempo2bpm(t), 3) for t in tempos], [float(info["Bpm"])])
    ons = [m for track in midi.tracks for m in track if m.type == "note_on" and m.velocity > 0]
    check("notes", len(ons), len(events))
    check("channels", {m.channel for m in ons}, {9})
    # Pattern length: the last note off lies within the pattern's beats.
    if midi.length > pattern["Beats"] * 60.0 / info["Bpm"] + 0.5:
        failures.append(f"pattern lasts {midi.length} s")

    subprocess.run([cli, "export-midi", song, "-o", out], check=True)
    whole = mido.MidiFile(out)
    song_ons = sum(1 for track in whole.tracks for m in track
                   if m.type == "note_on" and m.velocity > 0)
    if song_ons <= len(events):
        failures.append(f"the song holds only {song_ons} notes")
    if whole.length > (info["StopPosition"] + 1) * 60.0 / info["Bpm"] + 0.5:
        failures.append(f"the song lasts {whole.length} s, past its Stop at beat")

for f in failures:
    print(f)
sys.exit(1 if failures else 0)
