#!/usr/bin/env python3
"""Generates a reproducible tree of files for the benchmarks.

The same seed and parameters always give the same names, sizes and bytes:
nested folders, heavy-tailed sizes, a share of exact copies (some under the
same name in another folder), hidden files and folders, non-ASCII names.

Modes:
  small   many small files (at most 4 KiB), the per-file cost case
  large   fewer, large files (heavy tail up to --max-size)
  equal   many files sharing a handful of sizes but not their bytes, so that
          comparing sizes first gains nothing
"""
import argparse
import math
import os
import random
import sys

WORDS = ["photo", "report", "backup", "notes", "IMG", "scan", "invoice", "track",
         "draft", "data", "export", "mail", "budget", "song", "clip", "doc"]
# Latin-1 and beyond, so name handling is exercised, not only ASCII.
FANCY = ["\u00e9t\u00e9", "na\u00efve", "M\u00fcller", "\u00c5ngstr\u00f6m",
         "\u65e5\u672c", "\u0424\u043e\u0442\u043e", "\u20acuro", "se\u00f1al"]
EXTENSIONS = ["jpg", "png", "txt", "pdf", "mp3", "doc", "dat", ""]
POOL_SIZE = 8 << 20


def parse_size(text):
    units = {"k": 1 << 10, "m": 1 << 20, "g": 1 << 30}
    text = text.strip().lower()
    if text and text[-1] in units:
        return int(float(text[:-1]) * units[text[-1]])
    return int(text)


def make_folders(rng, count, hidden_share, fancy_share):
    folders = [""]
    while len(folders) < count:
        parent = rng.choice(folders)
        if parent.count("/") >= 5:
            continue
        roll = rng.random()
        if roll < hidden_share:
            name = "." + rng.choice(WORDS).lower()
        elif roll < hidden_share + fancy_share:
            name = rng.choice(FANCY)
        else:
            name = rng.choice(WORDS) + "_" + str(rng.randrange(1000))
        path = parent + "/" + name if parent else name
        if path not in folders:
            folders.append(path)
    return folders


def file_name(rng, index, hidden_share, fancy_share):
    ext = rng.choice(EXTENSIONS)
    roll = rng.random()
    if roll < hidden_share:
        stem = "." + rng.choice(WORDS).lower() + str(index)
    elif roll < hidden_share + fancy_share:
        stem = rng.choice(FANCY) + "_" + str(index)
    else:
        stem = rng.choice(WORDS) + "_" + str(index)
    return stem + ("." + ext if ext else "")


def draw_size(rng, mode, max_size, equal_sizes):
    if mode == "small":
        # Log-normal around 600 bytes; a few empty files.
        if rng.random() < 0.01:
            return 0
        return min(max_size, int(rng.lognormvariate(math.log(600), 1.0)))
    if mode == "large":
        # Pareto tail: most files some hundred KiB, a few near the cap.
        return min(max_size, int(64 * 1024 * rng.paretovariate(0.9)))
    return rng.choice(equal_sizes)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out", help="folder to create (must not exist)")
    parser.add_argument("--mode", choices=["small", "large", "equal"], default="small")
    parser.add_argument("--files", type=int, default=10000)
    parser.add_argument("--max-size", default=None, help="cap of one file, e.g. 4k, 64m")
    parser.add_argument("--total-size", default=None,
                        help="stop adding files once this many bytes are written")
    parser.add_argument("--dup-share", type=float, default=0.2)
    parser.add_argument("--hidden-share", type=float, default=0.05)
    parser.add_argument("--fancy-share", type=float, default=0.1)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    default_max = {"small": "4k", "large": "64m", "equal": "256k"}[args.mode]
    max_size = parse_size(args.max_size or default_max)
    total_cap = parse_size(args.total_size) if args.total_size else None
    rng = random.Random(args.seed)
    pool = random.Random(args.seed ^ 0x5EED).randbytes(POOL_SIZE)
    equal_sizes = ([rng.randrange(16 << 10, max_size + 1) for _ in range(6)]
                   if args.mode == "equal" else [])

    os.makedirs(args.out)
    root = os.fsencode(args.out)
    folders = make_folders(rng, max(1, args.files // 25), args.hidden_share, args.fancy_share)
    for folder in folders:
        os.makedirs(os.path.join(root, os.fsencode(folder)), exist_ok=True)

    written = 0
    originals = []  # (size, content seed, name) of files that copies may take after
    copies = 0
    for index in range(args.files):
        folder = rng.choice(folders)
        if originals and rng.random() < args.dup_share:
            size, content, name = rng.choice(originals)
            if rng.random() >= 0.5:
                name = file_name(rng, index, args.hidden_share, args.fancy_share)
            copies += 1
        else:
            size = draw_size(rng, args.mode, max_size, equal_sizes)
            content = index
            name = file_name(rng, index, args.hidden_share, args.fancy_share)
            originals.append((size, content, name))
        if total_cap is not None and written + size > total_cap:
            break
        path = os.path.join(root, os.fsencode(folder), os.fsencode(name))
        if os.path.exists(path):
            continue
        with open(path, "wb") as out:
            out.write(file_bytes(pool, content, size))
        written += size
    print(f"{args.out}: {index + 1} files ({copies} copies), {written} bytes, "
          f"{len(folders)} folders", file=sys.stderr)


def file_bytes(pool, content, size):
    """The bytes of content number `content`: a slice of the seeded pool with
    the number written in, at the front for even numbers and at the end for odd
    ones, so distinct files differ, sometimes only in their last bytes."""
    if size == 0:
        return b""
    start = (content * 7919) % (POOL_SIZE - min(size, POOL_SIZE) + 1)
    body = bytearray()
    while len(body) < size:
        body += pool[start:start + size - len(body)]
        start = 0
    mark = content.to_bytes(8, "little")
    at = 0 if content % 2 == 0 else max(0, size - len(mark))
    body[at:at + len(mark)] = mark[:size - at]
    return bytes(body)


if __name__ == "__main__":
    main()
