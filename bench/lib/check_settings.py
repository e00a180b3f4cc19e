#!/usr/bin/env python3
"""Checks a settings file the launcher has saved: every line a section, a key=value pair, a
comment or blank; no key twice in a section; every key the launcher saves present with a value
of its kind; the selected game one of the list's games; the lines the launcher does not own
kept. Prints what is wrong and exits with 1, or prints "valid".
Usage: check_settings.py SETTINGS-FILE LIST-XML
"""
import re
import sys
import xml.etree.ElementTree as ET

NUMBERS = {
    "Settings": ["UseDirectInput", "Fontsize", "MenuFontSize", "StatusBarFontSize",
                 "ShowStatusBar", "ShowMusicStatusBar", "MusicPlayAtStartup", "MusicRandomPlay",
                 "MusicStopDuringGame", "MusicRepeatSong", "MusicRepeatPlaylist"],
    "RomOptions": ["DisplayMissingRoms", "DisplayVertical", "DisplayHorizontal", "DisplayClones",
                   "DisplayNeoGeo", "DisplayNonNeoGeo", "DisplayVector", "DisplayRaster",
                   "MinPlayers", "MaxPlayers", "MinButtons", "MaxButtons", "MinCoins",
                   "MaxCoins"],
}
CHOICES = {
    ("Settings", "MenuType"): {"ListView", "ImageBrowser"},
    ("Settings", "PreviewPictures"): {"ScreenShots", "Flyers"},
    ("Settings", "Orientation"): {"Normal", "Inverted", "ROR", "ROL"},
}
KEPT = [("Settings", "Mame.exe"), ("Settings", "Roms.dir"), ("Settings", "PlaylistFilename"),
        ("Settings", "InvertPlayer2Screen")]


def main():
    path, list_path = sys.argv[1], sys.argv[2]
    games = {m.get("name") for m in ET.parse(list_path).getroot()}
    problems = []
    sections = {}
    section = None
    with open(path, encoding="latin-1") as f:
        text = f.read()
    if text and not text.endswith("\n"):
        problems.append("the file does not end with a line end")
    for number, line in enumerate(text.splitlines(), 1):
        stripped = line.strip()
        if not stripped or stripped.startswith(";") or stripped.startswith("#"):
            continue
        m = re.fullmatch(r"\[([^\]]+)\]", stripped)
        if m:
            section = m.group(1)
            if section in sections:
                problems.append("line %d: section [%s] twice" % (number, section))
            sections.setdefault(section, {})
            continue
        if "=" not in line or section is None:
            problems.append("line %d is neither a section nor a key: %r" % (number, line))
            continue
        key, value = line.split("=", 1)
        if key in sections[section]:
            problems.append("line %d: key %s twice in [%s]" % (number, key, section))
        sections[section][key] = value

    def value(sec, key):
        v = sections.get(sec, {}).get(key)
        if v is None:
            problems.append("[%s] %s is missing" % (sec, key))
        return v

    for sec, keys in NUMBERS.items():
        for key in keys:
            v = value(sec, key)
            if v is not None and not re.fullmatch(r"-?[0-9]+", v):
                problems.append("[%s] %s is not a number: %r" % (sec, key, v))
    for (sec, key), allowed in CHOICES.items():
        v = value(sec, key)
        if v is not None and v not in allowed:
            problems.append("[%s] %s is %r, not one of %s" % (sec, key, v, sorted(allowed)))
    for sec, key in KEPT:
        value(sec, key)
    selected = value("System", "SelectedGame")
    if selected is not None and selected not in games:
        problems.append("[System] SelectedGame %r is no game of the list" % selected)
    for p in problems:
        print(p)
    if problems:
        return 1
    print("valid")
    return 0


if __name__ == "__main__":
    sys.exit(main())
