"""What the table generators share: write a generated source file, or check that it is current."""
import argparse
import os
import sys

UNICODE_DATA = "/usr/share/unicode/UnicodeData.txt"


def main(doc, render, default_out):
    """Parses --data, --out and --check; writes render(data) to out, atomically, or compares."""
    ap = argparse.ArgumentParser(description=doc.splitlines()[0])
    ap.add_argument("--data", default=UNICODE_DATA)
    ap.add_argument("--out", default=default_out)
    ap.add_argument("--check", action="store_true")
    args = ap.parse_args()
    text = render(args.data)
    if args.check:
        try:
            with open(args.out, encoding="utf-8") as f:
                same = f.read() == text
        except OSError:
            same = False
        if not same:
            print(f"{args.out} is out of date; run {sys.argv[0]}", file=sys.stderr)
        return 0 if same else 1
    tmp = args.out + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, args.out)
    return 0
