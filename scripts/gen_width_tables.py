#!/usr/bin/env python3
"""Generates util/widthtables.cpp, the tables behind the four locale mappings.

Usage: gen_width_tables.py [--data UnicodeData.txt] [--out util/widthtables.cpp] [--check]

The width pairs come from the <wide> and <narrow> decompositions of UnicodeData.txt,
the voiced katakana from the canonical decompositions, hiragana and katakana from the
character names; the departures from the data the platform makes are applied below.
With --check nothing is written: the exit status says whether the file is up to date.
"""

import os
import sys

import generated_source

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUT = os.path.join(REPO, "util", "widthtables.cpp")

VOICED, SEMI_VOICED = 0x3099, 0x309A
HALF_VOICED, HALF_SEMI_VOICED = 0xFF9E, 0xFF9F
SPACING_VOICED, SPACING_SEMI_VOICED = 0x309B, 0x309C
# Half-width katakana that can take a following sound mark.
COMPOSE_BASE = 0xFF60


def read_data(path):
    chars = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.rstrip("\n").split(";")
            cp = int(fields[0], 16)
            if cp > 0xFFFF:
                continue  # the mappings work on UTF-16 units; nothing they touch lies above the BMP
            chars[cp] = (fields[1], fields[5])
    return chars


def put(table, key, value, what):
    if key in table and table[key] != value:
        sys.exit(f"{what}: U+{key:04X} maps to both {table[key]} and {value}")
    table[key] = value


def build(chars):
    full = {}  # unit -> full-width unit
    half = {}  # unit -> one or two half-width units
    canonical = {}  # (base, mark) -> composed
    for cp, (_, decomp) in chars.items():
        if decomp.startswith("<wide> "):
            x = int(decomp.split()[1], 16)
            put(full, x, cp, "wide")
            put(half, cp, (x,), "wide")
        elif decomp.startswith("<narrow> "):
            x = int(decomp.split()[1], 16)
            put(full, cp, x, "narrow")
            put(half, x, (cp,), "narrow")
        elif decomp and not decomp.startswith("<"):
            parts = [int(p, 16) for p in decomp.split()]
            if len(parts) == 2 and parts[1] in (VOICED, SEMI_VOICED):
                canonical[(parts[0], parts[1])] = cp

    # The platform leaves the backslash alone in both directions (it is the yen sign in Japanese fonts).
    del full[0x5C]
    del half[0xFF3C]
    # The half-width sound marks stand alone: they widen to the spacing marks, not the combining ones.
    full[HALF_VOICED] = SPACING_VOICED
    full[HALF_SEMI_VOICED] = SPACING_SEMI_VOICED
    half[SPACING_VOICED] = (HALF_VOICED,)
    half[SPACING_SEMI_VOICED] = (HALF_SEMI_VOICED,)
    # Curly quotes narrow to the ASCII quotes.
    for q in (0x2018, 0x2019):
        half[q] = (0x27,)
    for q in (0x201C, 0x201D):
        half[q] = (0x22,)

    # A voiced katakana narrows to its base and the half-width mark; a base without a
    # half-width form stays as it is (ヸ -> ヰﾞ).
    marks = {VOICED: HALF_VOICED, SEMI_VOICED: HALF_SEMI_VOICED}
    for (base, mark), composed in canonical.items():
        if 0x30A0 <= composed <= 0x30FF:
            narrow_base = half.get(base, (base,))
            if len(narrow_base) != 1:
                sys.exit(f"U+{base:04X} has no single half-width form")
            put(half, composed, (narrow_base[0], marks[mark]), "voiced")

    # A half-width katakana followed by a half-width mark widens to the composed katakana.
    voiced = [0] * 64
    semi_voiced = [0] * 64
    for h in range(COMPOSE_BASE, COMPOSE_BASE + 64):
        if h not in full:
            continue
        w = full[h]
        voiced[h - COMPOSE_BASE] = canonical.get((w, VOICED), 0)
        semi_voiced[h - COMPOSE_BASE] = canonical.get((w, SEMI_VOICED), 0)

    # Hiragana and katakana pair by name.
    by_name = {name: cp for cp, (name, _) in chars.items()}
    kata = {}
    for cp, (name, _) in chars.items():
        if name.startswith("HIRAGANA "):
            other = by_name.get("KATAKANA " + name[len("HIRAGANA "):])
            if other is not None:
                put(kata, cp, other, "kana")
    hira = {k: h for h, k in kata.items()}

    expected = set(range(0x3041, 0x3097)) | {0x309D, 0x309E}
    if set(kata) != expected:
        sys.exit("hiragana/katakana pairs are not U+3041-U+3096 and U+309D-U+309E")
    for check, label in ((len(full) == len({v for v in full.values()}), "full-width targets repeat"),
                         (full[0x20] == 0x3000, "space does not widen to U+3000"),
                         (voiced[0xFF76 - COMPOSE_BASE] == 0x30AC, "ｶﾞ does not compose")):
        if not check:
            sys.exit(label)

    return full, half, voiced, semi_voiced, kata, hira


def paged(mapping, encode):
    """Two-level table of deltas: the high byte picks a page, page 0 is all zero (no change)."""
    pages = [[0] * 256]
    index = [0] * 256
    for hi in range(256):
        entries = [0] * 256
        for lo in range(256):
            u = (hi << 8) | lo
            if u in mapping:
                entries[lo] = encode(u, mapping[u])
        if any(entries):
            index[hi] = len(pages)
            pages.append(entries)
    return index, pages


def delta(u, target):
    return (target - u) & 0xFFFF


def half_entry(u, units):
    # Low half: delta to the first unit; high half: the second unit, 0 when there is none.
    return delta(u, units[0]) | ((units[1] if len(units) > 1 else 0) << 16)


def rows(values, width, per_line):
    fmt = "0x{:0%dX}" % width
    out = []
    for i in range(0, len(values), per_line):
        out.append("    " + ", ".join(fmt.format(v) for v in values[i:i + per_line]) + ",")
    return "\n".join(out)


def emit_paged(name, elem, width, index, pages):
    # The page pointers are constant-initialised, so a lookup is two loads and no start-up work.
    per_line = 16 if width <= 4 else 8
    parts = [f"namespace {{\n\nconst {elem} {name}Data[{len(pages)}][256] = {{"]
    for p in pages:
        parts.append(f"  {{\n{rows(p, width, per_line)}\n  }},")
    parts.append("};\n\n}  // namespace\n")
    refs = [f"{name}Data[{i}]" for i in index]
    lines = ["    " + ", ".join(refs[i:i + 8]) + "," for i in range(0, 256, 8)]
    parts.append(f"const {elem}* const {name}Pages[256] = {{\n" + "\n".join(lines) + "\n};\n")
    return "\n".join(parts)


def quiet_run(mapping):
    """The longest run of units a map leaves alone, as (first, size)."""
    best, start = (0, 0), 0
    for u in range(0x10001):
        if u == 0x10000 or u in mapping:
            if u - start > best[1]:
                best = (start, u - start)
            start = u + 1
    return best


def render(data_path):
    full, half, voiced, semi_voiced, kata, hira = build(read_data(data_path))
    quiet_first, quiet_size = quiet_run(full)
    # The mapping copies blocks of this run unread; a sound mark there would miss its composition.
    if any(quiet_first <= m < quiet_first + quiet_size for m in (HALF_VOICED, HALF_SEMI_VOICED)):
        sys.exit("a half-width sound mark lies in the quiet run")
    out = [
        "// Generated by scripts/gen_width_tables.py from UnicodeData.txt; do not edit.",
        "// Tables of UTF-16 deltas, (target - unit) mod 2^16, so that page 0 means \"unchanged\".",
        '#include "util/widthtables.h"',
        "",
        "namespace Tormvale::WidthTables {",
        "",
        emit_paged("FullWidth", "std::uint16_t", 4, *paged(full, delta)),
        f"const std::uint16_t FullWidthVoiced[64] = {{\n{rows(voiced, 4, 16)}\n}};\n",
        f"const std::uint16_t FullWidthSemiVoiced[64] = {{\n{rows(semi_voiced, 4, 16)}\n}};\n",
        f"const std::uint16_t FullWidthQuietFirst = 0x{quiet_first:04X};",
        f"const std::uint16_t FullWidthQuietSize = 0x{quiet_size:04X};\n",
        emit_paged("HalfWidth", "std::uint32_t", 8, *paged(half, half_entry)),
        emit_paged("Katakana", "std::uint16_t", 4, *paged(kata, delta)),
        emit_paged("Hiragana", "std::uint16_t", 4, *paged(hira, delta)),
        "}  // namespace Tormvale::WidthTables",
        "",
    ]
    return "\n".join(out)


if __name__ == "__main__":
    sys.exit(generated_source.main(__doc__, render, DEFAULT_OUT))
